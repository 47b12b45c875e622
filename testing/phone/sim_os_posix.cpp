// The simulated phone's system services on Linux and other POSIX systems, and its entry point.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "testing/phone/sim_os.h"

namespace phone::os {
namespace {

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

bool WriteFileWith(const std::string& path, int flags, std::string_view contents) {
  Fd fd(::open(path.c_str(), flags | O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
  return fd.get() >= 0 && WriteAll(fd.get(), contents);
}

}  // namespace

std::optional<std::string> GetEnv(const char* name) {
  const char* value = std::getenv(name);
  if (!value) return std::nullopt;
  return std::string(value);
}

std::string PathFromEnvironment(const std::string& path) { return path; }

std::optional<std::string> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool WriteWholeFile(const std::string& path, std::string_view contents) {
  return WriteFileWith(path, O_TRUNC, contents);
}

bool AppendToFile(const std::string& path, std::string_view contents) {
  // One write with O_APPEND: each call's line lands whole even if two calls overlap.
  return WriteFileWith(path, O_APPEND, contents);
}

std::optional<std::uint64_t> RegularFileSize(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return static_cast<std::uint64_t>(st.st_size);
}

void Write(Stream stream, std::string_view bytes) {
  WriteAll(stream == Stream::Out ? STDOUT_FILENO : STDERR_FILENO, bytes);
}

void SleepSeconds(double seconds) {
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

bool StartServer(double seconds) {
  pid_t pid = ::fork();
  if (pid < 0) return false;
  if (pid == 0) {
    // The copy keeps every inherited descriptor, stdout and stderr among them.
    SleepSeconds(seconds);
    ::_exit(0);
  }
  return true;
}

}  // namespace phone::os

int main(int argc, char** argv) {
  // A reader that goes away must not kill the phone with SIGPIPE halfway through a rule.
  ::signal(SIGPIPE, SIG_IGN);
  std::vector<std::string> args(argv + 1, argv + argc);
  return phone::SimMain(args);
}
