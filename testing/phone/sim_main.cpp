// The simulated adb or fastboot: records the call, picks the scenario's rule for it and plays it.
#include <cstdlib>
#include <string>

#include "testing/phone/presets.h"
#include "testing/phone/scenario.h"
#include "testing/phone/sim_os.h"

#ifndef VANTREL_SIM_TOOL
#error "VANTREL_SIM_TOOL must name the tool: \"adb\" or \"fastboot\""
#endif

namespace phone {
namespace {

constexpr std::string_view kTool = VANTREL_SIM_TOOL;
// "For ever" as far as any caller's time limit goes, but no orphan outlives an hour.
constexpr double kHangSeconds = 3600;
#ifdef _WIN32
// The real tools on Windows write through the C runtime's text mode: every line ends in CRLF.
constexpr bool kWindowsLineEnds = true;
#else
constexpr bool kWindowsLineEnds = false;
#endif

class SystemEffects : public Effects {
 public:
  void Write(Stream stream, std::string_view bytes) override { os::Write(stream, bytes); }
  std::optional<std::uint64_t> FileSize(const std::string& path) override {
    return os::RegularFileSize(path);
  }
  void Hang() override { os::SleepSeconds(kHangSeconds); }
  void StartServer(double seconds) override { os::StartServer(seconds); }
};

int Fail(const std::string& message) {
  os::Write(Stream::Err, "vantrel phone: " + message + "\n");
  return 2;
}

std::optional<std::string> EnvValue(const char* name) {
  std::optional<std::string> value = os::GetEnv(name);
  if (value && value->empty()) return std::nullopt;
  return value;
}

void RecordCall(const std::vector<std::string>& args) {
  std::optional<std::string> log = EnvValue("VANTREL_PHONE_LOG");
  if (!log) return;
  std::string line(kTool);
  for (const std::string& arg : args) line += "\t" + arg;
  line += "\n";
  os::AppendToFile(os::PathFromEnvironment(*log), line);
}

}  // namespace

int SimMain(const std::vector<std::string>& args) {
  if (args.size() == 2 && args[0] == "--vantrel-phone-server") {
    os::SleepSeconds(std::atof(args[1].c_str()));
    return 0;
  }
  if (args.size() == 1 && args[0] == "--vantrel-presets") {
    for (const Preset& preset : Presets()) {
      os::Write(Stream::Out, std::string(preset.name) + "\t" + std::string(Description(preset)) + "\n");
    }
    return 0;
  }
  if (args.size() == 2 && args[0] == "--vantrel-preset-text") {
    const Preset* preset = FindPreset(args[1]);
    if (!preset) return Fail("no built-in scenario named '" + args[1] + "'");
    os::Write(Stream::Out, preset->text);
    return 0;
  }

  RecordCall(args);

  std::string choice = EnvValue("VANTREL_PHONE").value_or(std::string(kDefaultPreset));
  std::string text;
  std::string source = choice;
  if (choice[0] == '@') {
    std::string path = os::PathFromEnvironment(choice.substr(1));
    std::optional<std::string> file = os::ReadWholeFile(path);
    if (!file) return Fail("cannot read scenario file '" + path + "'");
    text = std::move(*file);
    source = path;
  } else {
    std::optional<std::string> preset = ResolvePreset(choice);
    if (!preset) return Fail("no built-in scenario named '" + choice + "' (see --vantrel-presets)");
    text = std::move(*preset);
  }
  ParseResult parsed = ParseScenario(text, source, ResolvePreset);
  if (!parsed.error.empty()) return Fail(parsed.error);

  std::optional<std::string> state_path = EnvValue("VANTREL_PHONE_STATE");
  if (state_path) state_path = os::PathFromEnvironment(*state_path);
  State state = ParseState(state_path ? os::ReadWholeFile(*state_path).value_or("") : "");
  Match match = FindRule(parsed.scenario, kTool, args, state);
  // Counted before the rule plays: a rule that hangs is killed before it could write anything.
  ++state.calls;
  if (match.rule >= 0) ++state.uses[match.rule];
  if (state_path) os::WriteWholeFile(*state_path, FormatState(state));

  if (match.rule < 0) {
    std::string joined;
    for (const std::string& arg : args) joined += (joined.empty() ? "" : " ") + arg;
    const char* lineEnd = kWindowsLineEnds ? "\r\n" : "\n";
    os::Write(Stream::Err, kTool == "adb" ? "adb: unknown command " + joined + lineEnd
                                          : "fastboot: usage: unknown command " + joined + lineEnd);
    return 1;
  }
  SystemEffects effects;
  return Perform(parsed.scenario.rules[match.rule], match.captures, parsed.scenario.crlf || kWindowsLineEnds, effects);
}

}  // namespace phone
