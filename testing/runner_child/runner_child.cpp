// Test child for the command runner: executes its flags in order, e.g.
//   --print TEXT         TEXT and a line end on standard output
//   --stderr TEXT        TEXT and a line end on standard error
//   --print-hex HEX      raw bytes (zero bytes and split UTF-8 included)
//   --repeat N           run the next action N times
//   --sleep-ms N         pause
//   --forever            repeat the remaining actions for ever (or just wait)
//   --exit CODE          end at once with CODE
//   --print-pid          "pid N" and a line end
//   --spawn-holder MS    start a copy that keeps our output open, waits MS, then prints
//                        "holder done"; print "holder N" and go on
//   --echo-args A...     print every following argument as "[A]" on its own line
//   --flood-mb N         N MiB of 'x' lines as fast as possible
//   --write-last-then-exit  pause briefly, write a last line and end at once
//   --kill PID / --wait-gone PID MS / --list-fds   helpers for the tests' checks
// Without --exit the child ends with code 0.
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "testing/runner_child/child_system.h"

namespace {

void Print(int stream, const std::string& text) { child::Write(stream, text + "\n"); }

std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

void SleepMs(unsigned long ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Runs the action at args[i]; returns the index after it and its operands.
std::size_t RunAction(const std::vector<std::string>& args, std::size_t i) {
  const std::string& flag = args[i];
  auto operand = [&](std::size_t k) -> const std::string& {
    if (i + k >= args.size()) {
      Print(2, "runner_child: " + flag + " needs an operand");
      child::Exit(120);
    }
    return args[i + k];
  };
  if (flag == "--print") {
    Print(1, operand(1));
    return i + 2;
  }
  if (flag == "--stderr") {
    Print(2, operand(1));
    return i + 2;
  }
  if (flag == "--print-hex") {
    child::Write(1, FromHex(operand(1)));
    return i + 2;
  }
  if (flag == "--repeat") {
    const unsigned long times = std::stoul(operand(1));
    std::size_t next = i + 2;
    for (unsigned long n = 0; n < times; ++n) next = RunAction(args, i + 2);
    return times == 0 ? i + 2 : next;
  }
  if (flag == "--sleep-ms") {
    SleepMs(std::stoul(operand(1)));
    return i + 2;
  }
  if (flag == "--exit") child::Exit(std::stoi(operand(1)));
  if (flag == "--print-pid") {
    Print(1, "pid " + std::to_string(child::ProcessId()));
    return i + 1;
  }
  if (flag == "--spawn-holder") {
    const long pid = child::Spawn({"--sleep-ms", operand(1), "--print", "holder done"});
    Print(1, "holder " + std::to_string(pid));
    return i + 2;
  }
  if (flag == "--echo-args") {
    for (std::size_t k = i + 1; k < args.size(); ++k) Print(1, "[" + args[k] + "]");
    return args.size();
  }
  if (flag == "--flood-mb") {
    std::string block;
    for (int line = 0; line < 1024; ++line) block += std::string(63, 'x') + "\n";  // 64 KiB
    const unsigned long blocks = std::stoul(operand(1)) * 16;
    for (unsigned long n = 0; n < blocks; ++n) child::Write(1, block);
    return i + 2;
  }
  if (flag == "--write-last-then-exit") {
    SleepMs(20);  // the runner is idle by now, between two looks at the pipe
    Print(1, "last words");
    child::Exit(0);
  }
  if (flag == "--kill") {
    Print(1, child::Kill(std::stol(operand(1))) ? "killed" : "not killed");
    return i + 2;
  }
  if (flag == "--wait-gone") {
    const bool gone = child::WaitGone(std::stol(operand(1)), std::stoul(operand(2)));
    Print(1, gone ? "gone" : "alive");
    return i + 3;
  }
  if (flag == "--list-fds") {
    for (const auto& fd : child::OpenDescriptors()) Print(1, "fd " + fd);
    return i + 1;
  }
  Print(2, "runner_child: unknown flag " + flag);
  child::Exit(121);
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args = child::Arguments(argc, argv);
  std::size_t i = 1;
  while (i < args.size()) {
    if (args[i] == "--forever") {
      if (i + 1 == args.size()) {
        for (;;) SleepMs(1000);
      }
      for (;;) {
        std::size_t k = i + 1;
        while (k < args.size()) k = RunAction(args, k);
      }
    }
    i = RunAction(args, i);
  }
  child::Exit(0);
}
