// Command runner for POSIX: posix_spawn with an argument vector, one pipe for both streams,
// and a pidfd (or short poll intervals) to learn the child's end without reading to EOF.
#include "tool_runtime/run_tool_command.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <string>
#include <vector>

#include "tool_runtime/command_line.h"
#include "tool_runtime/utf8_stream.h"

extern char** environ;

namespace {

constexpr std::size_t kChunkBytes = 4096;
// Without a pidfd the child's end is only noticed by waitpid between polls.
constexpr int kFallbackPollMs = 5;

class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  int get() const { return fd_; }
  int* out() { return &fd_; }

 private:
  int fd_ = -1;
};

class SpawnFileActions {
 public:
  SpawnFileActions() { ok_ = posix_spawn_file_actions_init(&actions_) == 0; }
  ~SpawnFileActions() {
    if (ok_) posix_spawn_file_actions_destroy(&actions_);
  }
  bool ok() const { return ok_; }
  posix_spawn_file_actions_t* get() { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_;
  bool ok_ = false;
};

class SpawnAttributes {
 public:
  SpawnAttributes() { ok_ = posix_spawnattr_init(&attr_) == 0; }
  ~SpawnAttributes() {
    if (ok_) posix_spawnattr_destroy(&attr_);
  }
  bool ok() const { return ok_; }
  posix_spawnattr_t* get() { return &attr_; }

 private:
  posix_spawnattr_t attr_;
  bool ok_ = false;
};

// Kills and reaps the child unless it was already reaped, so no path leaves it running.
class ChildProcess {
 public:
  explicit ChildProcess(pid_t pid) : pid_(pid) {}
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess() {
    if (!reaped_) {
      kill(pid_, SIGKILL);
      while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
      }
    }
  }
  // True once the child has ended; its status is then in status().
  bool Poll() {
    if (reaped_) return true;
    pid_t got;
    do {
      got = waitpid(pid_, &status_, WNOHANG);
    } while (got < 0 && errno == EINTR);
    if (got == pid_) reaped_ = true;
    return reaped_;
  }
  std::uint32_t ExitCode() const {
    if (WIFEXITED(status_)) return static_cast<std::uint32_t>(WEXITSTATUS(status_));
    if (WIFSIGNALED(status_)) return 128u + static_cast<std::uint32_t>(WTERMSIG(status_));
    return kExitCodeStillRunning;
  }
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_;
  int status_ = 0;
  bool reaped_ = false;
};

std::uint32_t TickMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::uint32_t>(static_cast<unsigned long long>(ts.tv_sec) * 1000u +
                                    static_cast<unsigned long long>(ts.tv_nsec) / 1000000u);
}

int OpenPidFd(pid_t pid) {
#ifdef SYS_pidfd_open
  return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
  (void)pid;
  return -1;
#endif
}

}  // namespace

int RunToolCommand(const std::wstring& commandLine, std::wstring& output, std::uint32_t& exitCode,
                   std::uint32_t timeLimitMs) {
  const std::vector<std::wstring> args = SplitCommandLine(commandLine);
  if (args.empty() || args[0].empty()) return kRunFailed;
  std::vector<std::string> utf8Args;
  utf8Args.reserve(args.size());
  for (const auto& arg : args) utf8Args.push_back(WideToUtf8(arg));
  std::vector<char*> argv;
  for (auto& arg : utf8Args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  int pipeEnds[2];
  if (pipe2(pipeEnds, O_CLOEXEC) != 0) return kRunFailed;
  Fd readEnd(pipeEnds[0]);
  // Our own copy of the write end stays open for the whole run, so the pipe never reports its
  // end: the child's end is learned from the child itself, and a grandchild that keeps the
  // write end (an adb server) cannot hold the run.
  Fd writeEnd(pipeEnds[1]);

  SpawnFileActions actions;
  SpawnAttributes attributes;
  if (!actions.ok() || !attributes.ok()) return kRunFailed;
  posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(actions.get(), writeEnd.get(), STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(actions.get(), writeEnd.get(), STDERR_FILENO);
  // Descriptors opened without O_CLOEXEC elsewhere in the process stay out of the child too.
  posix_spawn_file_actions_addclosefrom_np(actions.get(), STDERR_FILENO + 1);
  // The child starts with default signal handling, whatever this process ignores or blocks.
  sigset_t noSignals;
  sigemptyset(&noSignals);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGTERM);
  posix_spawnattr_setsigmask(attributes.get(), &noSignals);
  posix_spawnattr_setsigdefault(attributes.get(), &defaults);
  posix_spawnattr_setflags(attributes.get(), POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], actions.get(), attributes.get(), argv.data(), environ) != 0) {
    return kRunFailed;
  }
  ChildProcess child(pid);
  const std::uint32_t start = TickMs();
  Fd pidFd(OpenPidFd(pid));
  fcntl(readEnd.get(), F_SETFL, fcntl(readEnd.get(), F_GETFL) | O_NONBLOCK);

  std::array<char, kChunkBytes> chunk;
  Utf8StreamDecoder decoder;
  int result = kRunFailed;
  bool ended = false;
  for (;;) {
    const ssize_t got = read(readEnd.get(), chunk.data(), chunk.size());
    if (got > 0) {
      decoder.Decode(std::string_view(chunk.data(), static_cast<std::size_t>(got)), output);
      // A child that prints without pause must not outlast the limit either.
      if (TimeLimitPassed(start, TickMs(), timeLimitMs)) {
        result = ended ? kRunEnded : kRunTimedOut;
        break;
      }
      continue;
    }
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK) break;
    // The pipe is empty.
    if (ended) {
      result = kRunEnded;
      break;
    }
    if (child.Poll()) {
      ended = true;  // read once more: the last words may have arrived after the last read
      continue;
    }
    const std::uint32_t now = TickMs();
    if (TimeLimitPassed(start, now, timeLimitMs)) {
      result = kRunTimedOut;
      break;
    }
    const std::uint32_t left = timeLimitMs - static_cast<std::uint32_t>(now - start) + 1;
    int timeout = static_cast<int>(std::min<std::uint32_t>(left, INT_MAX));
    if (pidFd.get() < 0) timeout = std::min(timeout, kFallbackPollMs);
    pollfd waitFor[2] = {{readEnd.get(), POLLIN, 0}, {pidFd.get(), POLLIN, 0}};
    poll(waitFor, pidFd.get() >= 0 ? 2 : 1, timeout);
  }
  decoder.Finish(output);
  // A child seen running a moment ago may have ended since: then its real code is reported.
  exitCode = child.Poll() ? child.ExitCode() : kExitCodeStillRunning;
  return result;  // ~ChildProcess kills and reaps a child still running
}
