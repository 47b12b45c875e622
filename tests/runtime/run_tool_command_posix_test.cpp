// POSIX-only checks of the runner: descriptors it must not hand to the child.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/runtime/runner_child_path.h"
#include "tool_runtime/run_tool_command.h"

namespace {

TEST(RunToolCommandPosix, ChildGetsOnlyTheStandardDescriptors) {
  // Opened without O_CLOEXEC, as a careless library might.
  const int leaky = open("/dev/null", O_RDONLY);
  ASSERT_GE(leaky, 0);
  std::wstring output;
  std::uint32_t exitCode = 0;
  EXPECT_EQ(RunToolCommand(ChildCommand({L"--list-fds"}), output, exitCode), kRunEnded);
  close(leaky);
  EXPECT_EQ(output, L"fd 0\nfd 1\nfd 2\n");
}

TEST(RunToolCommandPosix, SignalDeathIsReportedAs128PlusSignal) {
  std::wstring output;
  std::uint32_t exitCode = 0;
  // The child kills itself with SIGKILL (9).
  const std::wstring line = L"/bin/sh -c " + QuoteArgument(L"kill -9 $$");
  EXPECT_EQ(RunToolCommand(line, output, exitCode), kRunEnded);
  EXPECT_EQ(exitCode, 137u);
}

}  // namespace
