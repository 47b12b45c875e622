// Tests of Windows command-line quoting and splitting.
#include "tool_runtime/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct QuoteCase {
  std::wstring arg;
  std::wstring quoted;
};

TEST(QuoteArgument, FollowsTheWindowsRules) {
  const QuoteCase cases[] = {
      {L"devices", L"devices"},
      {L"", L"\"\""},
      {L"a b", L"\"a b\""},
      {L"tab\there", L"\"tab\there\""},
      {L"C:\\Temp\\vantrelTool\\fastboot.exe", L"C:\\Temp\\vantrelTool\\fastboot.exe"},
      {L"C:\\Program Files\\x.img", L"\"C:\\Program Files\\x.img\""},
      {L"say \"hi\"", L"\"say \\\"hi\\\"\""},
      {L"a\\\"b", L"\"a\\\\\\\"b\""},
      {L"dir with space\\", L"\"dir with space\\\\\""},
      {L"trail\\\\ x\\\\", L"\"trail\\\\ x\\\\\\\\\""},
      {L"D:\\刷机 包\\recovery.img", L"\"D:\\刷机 包\\recovery.img\""},
  };
  for (const auto& c : cases) EXPECT_EQ(QuoteArgument(c.arg), c.quoted) << c.arg.size();
}

struct SplitCase {
  std::wstring line;
  std::vector<std::wstring> args;
};

TEST(SplitCommandLine, FollowsTheWindowsRules) {
  const SplitCase cases[] = {
      {L"", {}},
      {L"   ", {}},
      {L"adb devices", {L"adb", L"devices"}},
      {L"  adb   reboot\trecovery  ", {L"adb", L"reboot", L"recovery"}},
      // The program path: up to the closing quote, backslashes kept as they are.
      {L"\"C:\\x y\\fastboot.exe\" devices", {L"C:\\x y\\fastboot.exe", L"devices"}},
      {L"\"C:\\dir\\\" arg", {L"C:\\dir\\", L"arg"}},
      {L"C:\\a\\adb.exe", {L"C:\\a\\adb.exe"}},
      // Unquoted image path with spaces: several words.
      {L"fb flash recovery C:\\my files\\r.img", {L"fb", L"flash", L"recovery", L"C:\\my", L"files\\r.img"}},
      {L"p \"a b\" c", {L"p", L"a b", L"c"}},
      {L"p a\"b c\"d", {L"p", L"ab cd"}},
      {L"p \"\"", {L"p", L""}},
      {L"p \\\\\\\"x", {L"p", L"\\\"x"}},
      {L"p \\\\\"x y\"", {L"p", L"\\x y"}},
      {L"p a\\\\b", {L"p", L"a\\\\b"}},
      {L"p \"a\"\"b\"", {L"p", L"a\"b"}},
      {L"p \"\"\"\"", {L"p", L"\""}},
      {L"p \"unterminated arg", {L"p", L"unterminated arg"}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitCommandLine(c.line), c.args) << c.line.size();
}

TEST(QuoteAndSplit, RoundTrip) {
  const std::vector<std::wstring> args = {
      L"C:\\Users\\张 三\\AppData\\Local\\Temp\\vantrelTool\\fastboot.exe",
      L"flash", L"recovery", L"", L" ", L"a b", L"\"", L"\\", L"\\\\", L"a\\\"b", L"end\\",
      L"x\\ y\\", L"\"\"\"", L"\t\ttabs", L"华为 小米", L"plain"};
  std::wstring line;
  for (const auto& arg : args) line += (line.empty() ? L"" : L" ") + QuoteArgument(arg);
  EXPECT_EQ(SplitCommandLine(line), args);
}

}  // namespace
