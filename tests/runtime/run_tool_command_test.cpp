// Tests of RunToolCommand against the runner_child program (natively and under Wine).
#include "tool_runtime/run_tool_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/runtime/runner_child_path.h"

namespace {

constexpr std::uint32_t kShortLimitMs = 300;
// Generous: only a broken runner reaches it, and then the case fails instead of hanging.
constexpr std::uint32_t kSafetyLimitMs = 20000;

struct RunOutcome {
  int result = 0;
  std::wstring output;
  std::uint32_t exitCode = 0xDEADBEEF;
};

RunOutcome RunChild(const std::vector<std::wstring>& args, std::uint32_t limitMs = kSafetyLimitMs) {
  RunOutcome run;
  run.result = RunToolCommand(ChildCommand(args), run.output, run.exitCode, limitMs);
  return run;
}

std::wstring Repeat(const std::wstring& text, int times) {
  std::wstring out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

long PidAfter(const std::wstring& output, const std::wstring& word) {
  const auto at = output.find(word + L" ");
  return at == std::wstring::npos ? -1 : std::stol(output.substr(at + word.size() + 1));
}

// Children that end by themselves: result 1, all of their output, their exit code.
struct EndCase {
  const char* name;
  std::vector<std::wstring> args;
  std::wstring output;
  std::uint32_t exitCode;
};

const std::vector<EndCase>& EndCases() {
  static const std::wstring pad4095(4095, L'a');
  static const std::string pad4095Hex = [] {
    std::string hex;
    for (int i = 0; i < 4095; ++i) hex += "61";
    return hex;
  }();
  static const std::vector<EndCase> cases = {
      {"prints_nothing", {}, L"", 0},
      {"exit_code", {L"--exit", L"7"}, L"", 7},
      {"lines_in_order", {L"--print", L"one", L"--print", L"two", L"--print", L"three"},
       L"one\ntwo\nthree\n", 0},
      {"stdout_and_stderr_in_one_text",
       {L"--print", L"out", L"--stderr", L"err", L"--print", L"out2", L"--exit", L"1"},
       L"out\nerr\nout2\n", 1},
      {"many_chunks", {L"--repeat", L"2000", L"--print", L"0123456789"},
       Repeat(L"0123456789\n", 2000), 0},
      {"chinese_text", {L"--print", L"设备已连接"}, L"设备已连接\n", 0},
      // A character cut between two writes, so between two reads.
      {"char_split_between_reads",
       {L"--print-hex", L"E4", L"--sleep-ms", L"30", L"--print-hex", L"B8AD0A"}, L"中\n", 0},
      // 4095 bytes, then a 3-byte character: the first 4096-byte read ends inside it.
      {"char_split_at_4096",
       {L"--print-hex", Utf8ToWide(pad4095Hex + "E4"), L"--sleep-ms", L"30", L"--print-hex",
        L"B8AD0A"},
       pad4095 + L"中\n", 0},
      {"four_byte_char_split", {L"--print-hex", L"F09F", L"--sleep-ms", L"30", L"--print-hex", L"9880"},
       Utf8ToWide("\xF0\x9F\x98\x80"), 0},
      // Zero bytes carry no text; the letters after them are not lost.
      {"zero_bytes", {L"--print-hex", L"4142004344", L"--sleep-ms", L"20", L"--print-hex", L"00450A"},
       L"ABCDE\n", 0},
      {"ill_formed_bytes", {L"--print-hex", L"41FF42"}, L"A\uFFFDB", 0},
      {"incomplete_char_at_the_end", {L"--print-hex", L"41E4B8"}, L"A\uFFFD", 0},
      {"output_just_before_exit", {L"--write-last-then-exit"}, L"last words\n", 0},
  };
  return cases;
}

class RunnerEnds : public testing::TestWithParam<EndCase> {};

TEST_P(RunnerEnds, ReturnsEverythingThatWasPrinted) {
  const RunOutcome run = RunChild(GetParam().args);
  EXPECT_EQ(run.result, kRunEnded);
  EXPECT_EQ(run.output, GetParam().output);
  EXPECT_EQ(run.exitCode, GetParam().exitCode);
}

INSTANTIATE_TEST_SUITE_P(Cases, RunnerEnds, testing::ValuesIn(EndCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RunToolCommand, LastWordsBeforeExitAreNeverLost) {
  for (int i = 0; i < 10; ++i) {
    const RunOutcome run = RunChild({L"--write-last-then-exit"});
    ASSERT_EQ(run.output, L"last words\n") << "run " << i;
  }
}

// Children that outlive the limit: result 2, "still running", and the child is gone afterwards.
struct LimitCase {
  const char* name;
  std::vector<std::wstring> args;
};

class RunnerTimesOut : public testing::TestWithParam<LimitCase> {};

TEST_P(RunnerTimesOut, StopsTheChildAtTheLimit) {
  const RunOutcome run = RunChild(GetParam().args, kShortLimitMs);
  EXPECT_EQ(run.result, kRunTimedOut);
  EXPECT_EQ(run.exitCode, kExitCodeStillRunning);
  const long pid = PidAfter(run.output, L"pid");
  ASSERT_GT(pid, 0) << "no pid line in the output";
  const RunOutcome check = RunChild({L"--wait-gone", std::to_wstring(pid), L"5000"});
  EXPECT_EQ(check.output, L"gone\n");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RunnerTimesOut,
    testing::Values(LimitCase{"silent_for_ever", {L"--print-pid", L"--forever"}},
                    LimitCase{"prints_slowly_for_ever",
                              {L"--print-pid", L"--forever", L"--print", L"tick", L"--sleep-ms", L"5"}},
                    LimitCase{"prints_without_pause", {L"--print-pid", L"--forever", L"--print", L"tick"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RunToolCommand, MissingProgramFailsAndTouchesNothing) {
  std::wstring output = L"before";
  std::uint32_t exitCode = 12345;
  const std::wstring missing = RunnerChildPath() + L".missing";
  EXPECT_EQ(RunToolCommand(QuoteArgument(missing) + L" devices", output, exitCode, kShortLimitMs),
            kRunFailed);
  EXPECT_EQ(output, L"before");
  EXPECT_EQ(exitCode, 12345u);

  EXPECT_EQ(RunToolCommand(L"", output, exitCode, kShortLimitMs), kRunFailed);
  EXPECT_EQ(output, L"before");
}

TEST(RunToolCommand, TwoRunsAppendToOneText) {
  std::wstring output;
  std::uint32_t exitCode = 0;
  EXPECT_EQ(RunToolCommand(ChildCommand({L"--print", L"first"}), output, exitCode), kRunEnded);
  EXPECT_EQ(RunToolCommand(ChildCommand({L"--print", L"second"}), output, exitCode), kRunEnded);
  EXPECT_EQ(output, L"first\nsecond\n");
}

// Arguments reach the child whole, as the system's own parser reads them.
const std::vector<std::wstring> kAwkwardArgs = {
    L"D:\\刷机 包\\twrp recovery.img", L"flash", L"", L"a \"quoted\" word", L"back\\slash\\",
    L"华为", L"tab\there"};

std::wstring Echoed(const std::vector<std::wstring>& args) {
  std::wstring out;
  for (const auto& arg : args) out += L"[" + arg + L"]\n";
  return out;
}

std::wstring EchoCommand(const std::wstring& program) {
  std::wstring line = QuoteArgument(program) + L" --echo-args";
  for (const auto& arg : kAwkwardArgs) line += L" " + QuoteArgument(arg);
  return line;
}

TEST(RunToolCommand, ArgumentsWithSpacesAndChineseArriveWhole) {
  RunOutcome run;
  run.result = RunToolCommand(EchoCommand(RunnerChildPath()), run.output, run.exitCode);
  EXPECT_EQ(run.result, kRunEnded);
  EXPECT_EQ(run.output, Echoed(kAwkwardArgs));
}

// Paths as UTF-8 both ways, whatever the C library's locale (std::filesystem would use it).
std::filesystem::path PathOf(const std::wstring& wide) {
  const std::string utf8 = WideToUtf8(wide);
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::wstring WideOf(const std::filesystem::path& path) {
  const std::u8string utf8 = path.u8string();
  return Utf8ToWide(std::string(utf8.begin(), utf8.end()));
}

// The program itself in a folder whose name has spaces (and Chinese, as user names often do).
class ProgramPath : public testing::TestWithParam<const wchar_t*> {};

TEST_P(ProgramPath, RunsFromAFolderWithSpaces) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path() / PathOf(GetParam());
  fs::remove_all(folder);
  std::error_code error;
  fs::create_directories(folder, error);
  if (error) {
    // Wine maps names through the Unix locale; without a UTF-8 one it cannot store Chinese.
    GTEST_SKIP() << "this file system cannot store the name: " << error.message();
  }
  const fs::path source = PathOf(RunnerChildPath());
  const fs::path copy = folder / PathOf(L"runner child" + WideOf(source.extension()));
  fs::copy_file(source, copy, fs::copy_options::overwrite_existing);

  RunOutcome run;
  run.result = RunToolCommand(EchoCommand(WideOf(copy)), run.output, run.exitCode);
  EXPECT_EQ(run.result, kRunEnded);
  EXPECT_EQ(run.output, Echoed(kAwkwardArgs));
  fs::remove_all(folder, error);
}

INSTANTIATE_TEST_SUITE_P(Folders, ProgramPath,
                         testing::Values(L"vantrel runner x y", L"vantrel runner 工具 x y"));

// A grandchild that keeps the pipe's write end (like an adb server) does not hold the run:
// the run ends with the child, long before the grandchild writes its last line.
TEST(RunToolCommand, GrandchildHoldingThePipeDoesNotHoldTheRun) {
  const RunOutcome run = RunChild({L"--spawn-holder", L"15000", L"--print", L"child done"});
  EXPECT_EQ(run.result, kRunEnded);
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_NE(run.output.find(L"child done\n"), std::wstring::npos);
  EXPECT_EQ(run.output.find(L"holder done"), std::wstring::npos);
  const long holder = PidAfter(run.output, L"holder");
  ASSERT_GT(holder, 0);
  EXPECT_EQ(RunChild({L"--kill", std::to_wstring(holder)}).output, L"killed\n");
}

TEST(TimeLimitPassed, UnsignedTickArithmetic) {
  struct Case {
    std::uint32_t start, now, limit;
    bool passed;
  };
  const Case cases[] = {
      {1000, 1000, 300000, false},
      {1000, 301000, 300000, false},  // exactly the limit is not past it
      {1000, 301001, 300000, true},
      // Started shortly before the 32-bit counter wraps: the full limit still applies.
      {0xFFFFFF00u, 0xFFFFFFFFu, 300000, false},
      {0xFFFFFF00u, 300000u - 0x100u, 300000, false},
      {0xFFFFFF00u, 300000u - 0x100u + 1u, 300000, true},
      {0xFFFFFF00u, 10u, 300000, false},
      {0, 0xFFFFFFFFu, 300000, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TimeLimitPassed(c.start, c.now, c.limit), c.passed)
        << c.start << " -> " << c.now << " limit " << c.limit;
  }
}

}  // namespace
