// Where the runner's test child is, and command lines for it.
#pragma once

#include <string>
#include <vector>

#include "tool_runtime/command_line.h"
#include "tool_runtime/utf8_stream.h"

inline std::wstring RunnerChildPath() { return Utf8ToWide(VANTREL_RUNNER_CHILD); }

// The child's quoted path followed by its quoted flags.
inline std::wstring ChildCommand(const std::vector<std::wstring>& args,
                                 const std::wstring& program = RunnerChildPath()) {
  std::wstring line = QuoteArgument(program);
  for (const auto& arg : args) line += L" " + QuoteArgument(arg);
  return line;
}
