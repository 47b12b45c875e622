// What the runner's test child needs from the system, one implementation per platform.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace child {

// The program's arguments as UTF-8, the program name first.
std::vector<std::string> Arguments(int argc, char** argv);
// Writes bytes to standard output (1) or standard error (2) at once, unbuffered and untranslated.
void Write(int stream, std::string_view bytes);
long ProcessId();
// Starts a copy of this program with `args`, inheriting standard output and error; its id or -1.
long Spawn(const std::vector<std::string>& args);
bool Kill(long pid);
// Whether process `pid` is gone, waiting up to `ms` for it.
bool WaitGone(long pid, unsigned ms);
// Names of the descriptors open in this process (POSIX only; empty elsewhere).
std::vector<std::string> OpenDescriptors();
[[noreturn]] void Exit(int code);

}  // namespace child
