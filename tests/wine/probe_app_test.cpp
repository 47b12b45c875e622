// The probe program driven from this process: what another process sees of the Win32 backend.
#include <gtest/gtest.h>

#include "tests/wine/probe_dialog.h"
#include "tests/wine/ui_driver.h"

using namespace wineui;
using probe::ProbeDialog;

namespace {

std::unique_ptr<Program> StartProbe() {
  std::wstring error;
  auto program = Program::Start(WindowsPath(VANTREL_PROBE_EXE), {}, &error);
  EXPECT_TRUE(program) << std::string(error.begin(), error.end());
  return program;
}

TEST(ProbeProgram, EntryRunsTheApplicationAndEscapeEndsTheProcess) {
  auto program = StartProbe();
  ASSERT_TRUE(program);
  HWND w = program->WaitForWindow(L"#32770", L"probe");
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(BringToFront(w));
  PressKey(VK_ESCAPE);
  DWORD code = 1234;
  EXPECT_TRUE(program->WaitForExit(10s, &code));
  EXPECT_EQ(code, 0u);
}

TEST(ProbeProgram, SystemMenuIsReadInsideTheProgram) {
  auto program = StartProbe();
  ASSERT_TRUE(program);
  HWND w = program->WaitForWindow(L"#32770", L"probe");
  ASSERT_NE(w, nullptr);
  const auto menu = SystemMenuOfOtherProcess(w, WindowsPath(VANTREL_MENU_READER_DLL));
  ASSERT_GE(menu.size(), 2u);
  EXPECT_TRUE(menu[menu.size() - 2].separator);
  EXPECT_EQ(menu.back().id, 16u);
  EXPECT_EQ(menu.back().text, L"关于 probe(&A)...");
}

TEST(ProbeProgram, PushedLogIsOnTheScreenWhileTheUiThreadIsBlocked) {
  auto program = StartProbe();
  ASSERT_TRUE(program);
  HWND w = program->WaitForWindow(L"#32770", L"probe");
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(program->WaitForIdle());
  ASSERT_TRUE(BringToFront(w));
  HWND log = ::GetDlgItem(w, IDC_LOGBOX);
  const RECT all{0, 0, 10000, 10000};
  const int darkBefore = Capture(log).Count(all, IsDark);

  HANDLE painted = nullptr, release = nullptr;
  WaitUntil([&] {
    painted = ::OpenEventW(SYNCHRONIZE, FALSE, ProbeDialog::PaintedEventName(program->Id()).c_str());
    release = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, ProbeDialog::ReleaseEventName(program->Id()).c_str());
    return painted && release;
  });
  ASSERT_TRUE(painted && release);
  Click(::GetDlgItem(w, IDC_BLOCK));
  int darkWhileBlocked = -1;
  if (::WaitForSingleObject(painted, 10000) == WAIT_OBJECT_0) {
    // The program's UI thread is held now: the screen shows only what it painted before.
    WaitUntil([&] { return (darkWhileBlocked = Capture(log).Count(all, IsDark)) > darkBefore + 50; }, 2s);
    SaveScreenshot(w, L"probe-blocked");
  }
  ::SetEvent(release);
  ::CloseHandle(painted);
  ::CloseHandle(release);
  EXPECT_GT(darkWhileBlocked, darkBefore + 50) << "dark pixels before: " << darkBefore;
}

}  // namespace
