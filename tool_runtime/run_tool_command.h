// Runs one tool command line as a hidden child and captures everything it prints.
#pragma once

#include <cstdint>
#include <string>

#include "tool_runtime/command_line.h"  // QuoteArgument, for the callers that build command lines

enum RunResult { kRunEnded = 1, kRunTimedOut = 2, kRunFailed = 3 };

constexpr std::uint32_t kToolTimeLimitMs = 300000;
// The exit code reported for a child that was still running when the run stopped
// (STILL_ACTIVE on Windows; the POSIX runner reports the same value).
constexpr std::uint32_t kExitCodeStillRunning = 259;

// Runs `commandLine` (quoted program path, then arguments; Windows quoting rules) hidden, with
// standard output and standard error in one pipe, and appends the decoded text to `output`.
// kRunEnded: the child ended and the pipe was read empty. kRunTimedOut: `timeLimitMs` passed
// since the start; the child is killed. kRunFailed: the child could not be started (output and
// exitCode untouched) or reading failed (exitCode set, child killed).
// exitCode: the child's code; kExitCodeStillRunning when it was stopped; on POSIX a child
// killed by a signal reports 128 + the signal number.
int RunToolCommand(const std::wstring& commandLine, std::wstring& output, std::uint32_t& exitCode,
                   std::uint32_t timeLimitMs = kToolTimeLimitMs);

// Whether more than `limitMs` have passed between two readings of a 32-bit millisecond counter;
// unsigned subtraction keeps it right across the counter's wrap-around.
constexpr bool TimeLimitPassed(std::uint32_t startMs, std::uint32_t nowMs, std::uint32_t limitMs) {
  return static_cast<std::uint32_t>(nowMs - startMs) > limitMs;
}
