// Runs a simulated tool as a child with stdout and stderr on separate pipes (POSIX).
#include "tests/phone/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

extern char** environ;

namespace phone_test {
namespace {

using Clock = std::chrono::steady_clock;

std::chrono::milliseconds Left(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? left : std::chrono::milliseconds(0);
}

}  // namespace

std::unique_ptr<ChildProcess> ChildProcess::Start(const std::string& program,
                                                  const std::vector<std::string>& args,
                                                  const EnvList& env, std::string* error) {
  std::vector<std::string> env_strings;
  for (char** e = environ; *e; ++e) {
    if (std::strncmp(*e, "VANTREL_PHONE", 13) != 0) env_strings.emplace_back(*e);
  }
  for (const auto& [name, value] : env) env_strings.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (std::string& s : env_strings) envp.push_back(s.data());
  envp.push_back(nullptr);

  std::vector<std::string> argv_strings{program};
  argv_strings.insert(argv_strings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& s : argv_strings) argv.push_back(s.data());
  argv.push_back(nullptr);

  int out_pipe[2], err_pipe[2];
  if (::pipe2(out_pipe, O_CLOEXEC) != 0) {
    *error = std::strerror(errno);
    return nullptr;
  }
  if (::pipe2(err_pipe, O_CLOEXEC) != 0) {
    *error = std::strerror(errno);
    ::close(out_pipe[0]);
    ::close(out_pipe[1]);
    return nullptr;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out_pipe[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err_pipe[1], STDERR_FILENO);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attr, 0);

  pid_t pid = -1;
  int rc = ::posix_spawn(&pid, program.c_str(), &actions, &attr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  ::close(out_pipe[1]);
  ::close(err_pipe[1]);
  if (rc != 0) {
    *error = program + ": " + std::strerror(rc);
    ::close(out_pipe[0]);
    ::close(err_pipe[0]);
    return nullptr;
  }
  std::unique_ptr<ChildProcess> child(new ChildProcess);
  child->pid_ = pid;
  child->out_fd_ = out_pipe[0];
  child->err_fd_ = err_pipe[0];
  return child;
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0) {
    ::kill(-pid_, SIGKILL);
    if (!exit_code_) {
      int status = 0;
      while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
      }
    }
  }
  if (out_fd_ >= 0) ::close(out_fd_);
  if (err_fd_ >= 0) ::close(err_fd_);
}

bool ChildProcess::ReadSome(std::chrono::milliseconds wait) {
  pollfd fds[2];
  std::string* sinks[2];
  int* owners[2];
  nfds_t n = 0;
  for (auto [fd, sink] : {std::pair{&out_fd_, &out_}, std::pair{&err_fd_, &err_}}) {
    if (*fd < 0) continue;
    fds[n] = {*fd, POLLIN, 0};
    sinks[n] = sink;
    owners[n] = fd;
    ++n;
  }
  if (n == 0) return false;
  int ready = ::poll(fds, n, static_cast<int>(wait.count()));
  if (ready <= 0) return true;
  for (nfds_t i = 0; i < n; ++i) {
    if (!fds[i].revents) continue;
    char buffer[4096];
    ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
    if (got > 0) {
      sinks[i]->append(buffer, static_cast<size_t>(got));
    } else if (got == 0 || errno != EINTR) {
      ::close(*owners[i]);
      *owners[i] = -1;
    }
  }
  return out_fd_ >= 0 || err_fd_ >= 0;
}

bool ChildProcess::ReadUntilClosed(std::chrono::milliseconds limit) {
  auto deadline = Clock::now() + limit;
  while (ReadSome(Left(deadline))) {
    if (Clock::now() >= deadline) return false;
  }
  return true;
}

bool ChildProcess::ReadUntilErrContains(std::string_view text, std::chrono::milliseconds limit) {
  auto deadline = Clock::now() + limit;
  while (err_.find(text) == std::string::npos) {
    if (!ReadSome(Left(deadline)) || Clock::now() >= deadline) {
      return err_.find(text) != std::string::npos;
    }
  }
  return true;
}

std::optional<int> ChildProcess::WaitForExit(std::chrono::milliseconds limit) {
  auto deadline = Clock::now() + limit;
  while (!exit_code_) {
    int status = 0;
    pid_t done = ::waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      break;
    }
    if (done < 0 && errno != EINTR) break;
    if (Clock::now() >= deadline) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return exit_code_;
}

RunResult RunTool(const std::string& program, const std::vector<std::string>& args,
              const EnvList& env) {
  RunResult result;
  std::string error;
  std::unique_ptr<ChildProcess> child = ChildProcess::Start(program, args, env, &error);
  if (!child) {
    result.err = error;
    return result;
  }
  constexpr std::chrono::seconds kLimit(10);
  child->ReadUntilClosed(kLimit);
  result.exit_code = child->WaitForExit(kLimit).value_or(-1);
  result.out = child->out();
  result.err = child->err();
  return result;
}

}  // namespace phone_test
