// Runs a simulated tool as a child with stdout and stderr on separate pipes, for the phone tests.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace phone_test {

using EnvList = std::vector<std::pair<std::string, std::string>>;

// One child in a process group of its own; the destructor kills the whole group (the child and
// anything it left behind) and reaps the child.
class ChildProcess {
 public:
  // `env` is added to this process's environment, from which every VANTREL_PHONE* variable is
  // dropped first. Null with `error` set when the child could not be started.
  static std::unique_ptr<ChildProcess> Start(const std::string& program,
                                             const std::vector<std::string>& args,
                                             const EnvList& env, std::string* error);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Reads both pipes until both are closed (true) or `limit` has passed (false).
  bool ReadUntilClosed(std::chrono::milliseconds limit);
  // Reads until stderr contains `text` (true) or the pipes close or `limit` passes (false).
  bool ReadUntilErrContains(std::string_view text, std::chrono::milliseconds limit);
  // The exit code (128 + signal for a killed child) once the child itself has ended.
  std::optional<int> WaitForExit(std::chrono::milliseconds limit);

  const std::string& out() const { return out_; }
  const std::string& err() const { return err_; }

 private:
  ChildProcess() = default;
  // One poll over the open pipes, appending what arrived; false once both are closed.
  bool ReadSome(std::chrono::milliseconds wait);

  int pid_ = -1;
  int out_fd_ = -1;
  int err_fd_ = -1;
  std::optional<int> exit_code_;
  std::string out_;
  std::string err_;
};

struct RunResult {
  std::string out;
  std::string err;
  int exit_code = -1;
};

// Runs to the end; a child that is not done within 10 s is killed and reported as exit code -1.
RunResult RunTool(const std::string& program, const std::vector<std::string>& args,
              const EnvList& env = {});

}  // namespace phone_test
