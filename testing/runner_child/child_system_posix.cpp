// The test child's system calls on POSIX.
#include <dirent.h>
#include <signal.h>
#include <spawn.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "testing/runner_child/child_system.h"

extern char** environ;

namespace child {

std::vector<std::string> Arguments(int argc, char** argv) { return {argv, argv + argc}; }

void Write(int stream, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = write(stream, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) Exit(122);  // the reader is gone
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

long ProcessId() { return static_cast<long>(getpid()); }

long Spawn(const std::vector<std::string>& args) {
  std::string self = "/proc/self/exe";
  std::vector<std::string> all = {self};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& arg : all) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return -1;
  return static_cast<long>(pid);
}

bool Kill(long pid) { return kill(static_cast<pid_t>(pid), SIGKILL) == 0; }

bool WaitGone(long pid, unsigned ms) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (kill(static_cast<pid_t>(pid), 0) == 0) {
    if (std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

std::vector<std::string> OpenDescriptors() {
  std::vector<std::string> names;
  DIR* dir = opendir("/proc/self/fd");
  if (dir == nullptr) return names;
  const int own = dirfd(dir);
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == ".." || name == std::to_string(own)) continue;
    names.push_back(name);
  }
  closedir(dir);
  return names;
}

void Exit(int code) { _exit(code); }

}  // namespace child
