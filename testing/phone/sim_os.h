// What the simulated phone needs from the system; sim_os_posix.cpp or sim_os_win32.cpp.
// All strings are UTF-8; each platform file also holds the program's entry point, which hands
// the arguments (without the program name) to SimMain.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "testing/phone/scenario.h"

namespace phone {

int SimMain(const std::vector<std::string>& args);

namespace os {

std::optional<std::string> GetEnv(const char* name);  // nullopt when unset

// A path taken from the environment; under Wine a Unix path ("/tmp/x") becomes its DOS name.
std::string PathFromEnvironment(const std::string& path);

std::optional<std::string> ReadWholeFile(const std::string& path);
bool WriteWholeFile(const std::string& path, std::string_view contents);
bool AppendToFile(const std::string& path, std::string_view contents);
std::optional<std::uint64_t> RegularFileSize(const std::string& path);

// Unbuffered binary write to stdout or stderr, so both streams keep the order of the calls.
void Write(Stream stream, std::string_view bytes);

void SleepSeconds(double seconds);

// Leaves a background copy of this process that holds stdout and stderr open for `seconds`,
// the way adb leaves its server running.
bool StartServer(double seconds);

}  // namespace os
}  // namespace phone
