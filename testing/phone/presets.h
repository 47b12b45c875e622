// Built-in scenarios of the simulated phone, chosen by name through VANTREL_PHONE.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "testing/phone/scenario.h"

namespace phone {

struct Preset {
  std::string_view name;
  std::string_view text;  // scenario text; its first line is "# " and a one-line description
};

// The scenario used when VANTREL_PHONE is unset or empty: the demo phone.
inline constexpr std::string_view kDefaultPreset = "fastboot-xiaomi-unlocked";

std::span<const Preset> Presets();
const Preset* FindPreset(std::string_view name);
std::string_view Description(const Preset& preset);

// Resolves `include NAME` against the built-in scenarios.
std::optional<std::string> ResolvePreset(std::string_view name);

}  // namespace phone
