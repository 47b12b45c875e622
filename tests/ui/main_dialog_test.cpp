// The main dialog on the headless backend: start-up, log stamps, push/pull, clear, window hooks.
#include <cstdlib>
#include <ctime>
#include <fstream>

#include "app/vantrelToolApp.h"
#include "tests/support/main_dialog_harness.h"

using testsupport::BoxText;
using testsupport::MainDialog;
using testsupport::MaskStamps;

namespace {

class TzUtc {
 public:
  TzUtc() {
    const char* tz = std::getenv("TZ");
    saved_ = tz ? tz : "";
    had_ = tz != nullptr;
    ::setenv("TZ", "UTC", 1);
    ::tzset();
  }
  ~TzUtc() {
    if (had_) ::setenv("TZ", saved_.c_str(), 1); else ::unsetenv("TZ");
    ::tzset();
  }

 private:
  std::string saved_;
  bool had_ = false;
};

TEST(LogStamp, FormatsLocalTimeOnA24HourClock) {
  TzUtc utc;
  const struct {
    std::time_t when;
    const char* stamp;
  } cases[] = {
      {1488722829, "[2017-03-05 14:07:09]"},
      {1797023103, "[2026-12-11 21:05:03]"},  // evening: 21, not 09
      {915235200, "[1999-01-02 00:00:00]"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatLogStamp(c.when), c.stamp);
    EXPECT_EQ(FormatLogStamp(c.when).size(), 21u);
  }
}

class MainDialogTest : public testsupport::TempFolderTest {};

TEST_F(MainDialogTest, StartsWithBrandListEmptyBoxesMenuAndIcons) {
  RunMainDialog([](MainDialog& dlg) {
    headless::Window* brand = headless::Child(dlg, IDC_BRAND);
    EXPECT_EQ(brand->items, (std::vector<CString>{L"华为", L"小米"}));
    EXPECT_EQ(brand->curSel, 1);
    EXPECT_EQ(dlg.GetDlgItem(IDC_BRAND)->GetWindowText(), L"小米");
    for (int id : {IDC_LOG, IDC_DEVICE_STATUS, IDC_BL_STATUS, IDC_RECOVERY_PATH}) EXPECT_EQ(BoxText(dlg, id), L"");

    const auto& menu = headless::WindowOf(dlg)->systemMenu;
    ASSERT_GE(menu.size(), 2u);
    EXPECT_EQ(menu[menu.size() - 2], (std::pair<unsigned, CString>{0u, L""}));  // separator
    EXPECT_EQ(menu.back(), (std::pair<unsigned, CString>{16u, L"关于 vantrelTool(&A)..."}));

    EXPECT_EQ(headless::WindowOf(dlg)->bigIcon, LoadIconResource(IDR_MAINFRAME));
    EXPECT_EQ(headless::WindowOf(dlg)->smallIcon, LoadIconResource(IDR_MAINFRAME));
    EXPECT_EQ(dlg.m_hIcon, LoadIconResource(IDR_MAINFRAME));
  });
}

TEST_F(MainDialogTest, StampedLinesEachGetTheirOwnStamp) {
  RunMainDialog([](MainDialog& dlg) {
    dlg.AppendLog(dlg.StampLog("第一行\r\n"));
    // Between the two pushes of a stamped line the box ends with the stamp alone.
    EXPECT_EQ(MaskStamps(BoxText(dlg, IDC_LOG)), L"[T]");
    dlg.UpdateData(FALSE);
    dlg.AppendLog(dlg.StampLog("second\r\n"));
    dlg.UpdateData(FALSE);
    EXPECT_EQ(MaskStamps(dlg.m_log), L"[T]第一行\r\n[T]second\r\n");
    EXPECT_EQ(BoxText(dlg, IDC_LOG), dlg.m_log);
  });
}

TEST_F(MainDialogTest, AppendsChangeOnlyTheHeldTextUntilAPush) {
  RunMainDialog([](MainDialog& dlg) {
    dlg.AppendLog("");
    dlg.AppendLog(nullptr);
    EXPECT_EQ(dlg.m_log, L"");
    dlg.AppendLogWide(L"Sending 'recovery'\tOKAY\n");
    dlg.AppendLog("中文 ok\r\n");
    EXPECT_EQ(BoxText(dlg, IDC_LOG), L"");
    dlg.UpdateData(FALSE);
    EXPECT_EQ(BoxText(dlg, IDC_LOG), L"Sending 'recovery'\tOKAY\n中文 ok\r\n");
  });
}

TEST_F(MainDialogTest, EachPushPaintsTheLogBoxAtOnce) {
  RunMainDialog([](MainDialog& dlg) {
    const int before = headless::Child(dlg, IDC_LOG)->updateWindowCount;
    dlg.StampLog("x\r\n");
    EXPECT_GT(headless::Child(dlg, IDC_LOG)->updateWindowCount, before);
  });
}

TEST_F(MainDialogTest, ClearingEmptiesTheLogKeepsStatusesAndNeverCloses) {
  for (bool byEnter : {false, true}) {
    SCOPED_TRACE(byEnter ? "Enter" : "清空日志");
    const auto end = RunMainDialog([byEnter](MainDialog& dlg) {
      dlg.GetDlgItem(IDC_DEVICE_STATUS)->SetWindowText(L"已连接");
      dlg.GetDlgItem(IDC_BL_STATUS)->SetWindowText(L"已解锁");
      dlg.UpdateData(TRUE);
      dlg.AppendLog(dlg.StampLog("old line\r\n"));
      dlg.UpdateData(FALSE);

      if (byEnter) headless::PressEnter(dlg); else headless::Click(dlg, IDOK);
      EXPECT_EQ(dlg.m_log, L"");
      EXPECT_EQ(BoxText(dlg, IDC_LOG), L"");
      EXPECT_EQ(BoxText(dlg, IDC_DEVICE_STATUS), L"已连接");
      EXPECT_EQ(BoxText(dlg, IDC_BL_STATUS), L"已解锁");

      dlg.AppendLog(dlg.StampLog("new line\r\n"));
      dlg.UpdateData(FALSE);
      EXPECT_EQ(MaskStamps(BoxText(dlg, IDC_LOG)), L"[T]new line\r\n");
      EXPECT_EQ(BoxText(dlg, IDC_DEVICE_STATUS), L"已连接");

      headless::PressEscape(dlg);
    });
    EXPECT_EQ(end, IDCANCEL);
  }
}

TEST_F(MainDialogTest, ClearingAnEmptyLogWritesNothing) {
  RunMainDialog([](MainDialog& dlg) {
    headless::Click(dlg, IDOK);
    headless::Click(dlg, IDOK);
    EXPECT_EQ(dlg.m_log, L"");
    EXPECT_EQ(BoxText(dlg, IDC_LOG), L"");
  });
}

TEST_F(MainDialogTest, ChoosingABrandDoesNothingByItself) {
  RunMainDialog([](MainDialog& dlg) {
    headless::SelectItem(dlg, IDC_BRAND, 0);
    EXPECT_EQ(dlg.GetDlgItem(IDC_BRAND)->GetWindowText(), L"华为");
    EXPECT_EQ(dlg.m_log, L"");
    EXPECT_EQ(BoxText(dlg, IDC_DEVICE_STATUS), L"");
    EXPECT_EQ(BoxText(dlg, IDC_BL_STATUS), L"");
  });
}

TEST_F(MainDialogTest, OnlyTheNoteIsRed) {
  RunMainDialog([](MainDialog& dlg) {
    EXPECT_EQ(headless::CtlColorTextOf(dlg, IDC_NOTE), std::optional<COLORREF>(0x000000FFu));
    for (int id : {IDC_LOG, IDC_DEVICE_STATUS, IDC_BRAND, IDOK}) EXPECT_EQ(headless::CtlColorTextOf(dlg, id), std::nullopt);
  });
}

TEST_F(MainDialogTest, MinimisedWindowPaintsTheIconCentred) {
  RunMainDialog([](MainDialog& dlg) {
    headless::WindowOf(dlg)->iconic = true;
    headless::WindowOf(dlg)->client = CRect{0, 0, 100, 60};
    headless::PaintLog().clear();
    headless::Paint(dlg);
    EXPECT_EQ(headless::PaintLog(),
              (std::vector<std::wstring>{L"BeginPaint", L"IconEraseBkgnd", L"DrawIcon 34,14", L"EndPaint"}));

    headless::WindowOf(dlg)->iconic = false;
    headless::PaintLog().clear();
    headless::Paint(dlg);
    EXPECT_TRUE(headless::PaintLog().empty());  // the platform paints the dialog itself
  });
}

TEST_F(MainDialogTest, SystemCommandsSixteenToThirtyOneOpenTheAboutBox) {
  const struct {
    unsigned command;
    bool opensAbout;
  } cases[] = {{16, true}, {17, true}, {31, true}, {32, false}, {0xF060, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    int aboutShown = 0;
    headless::SetModalDriver(IDD_ABOUTBOX, [&](CDialogEx&) { ++aboutShown; });
    RunMainDialog([&](MainDialog& dlg) { headless::SysCommand(dlg, c.command); });
    EXPECT_EQ(aboutShown, c.opensAbout ? 1 : 0);
  }
}

TEST_F(MainDialogTest, InformationButtonsOpenTheirDialogsWhileTheMainWindowIsDisabled) {
  const struct {
    int button;
    unsigned templateId;
  } cases[] = {{IDC_ABOUT_MAKER, IDD_ABOUT_MAKER}, {IDC_DONATE, IDD_DONATION}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.templateId);
    bool mainEnabledMeanwhile = true;
    int shown = 0;
    theApp.m_pMainWnd = nullptr;
    RunMainDialog([&](MainDialog& dlg) {
      theApp.m_pMainWnd = &dlg;
      headless::SetModalDriver(c.templateId, [&](CDialogEx&) {
        ++shown;
        mainEnabledMeanwhile = dlg.IsWindowEnabled();
      });
      headless::Click(dlg, c.button);
      EXPECT_TRUE(dlg.IsWindowEnabled());
      EXPECT_EQ(dlg.m_log, L"");
      theApp.m_pMainWnd = nullptr;
    });
    EXPECT_EQ(shown, 1);
    EXPECT_FALSE(mainEnabledMeanwhile);
  }
}

TEST_F(MainDialogTest, InitInstanceRunsTheDialogAndEndsTheProgram) {
  bool ranAsMainWindow = false;
  headless::SetModalDriver(IDD_MAIN_DIALOG, [&](CDialogEx& dlg) {
    ranAsMainWindow = theApp.m_pMainWnd == &dlg;
    headless::PressEscape(dlg);
  });
  EXPECT_EQ(theApp.InitInstance(), FALSE);
  EXPECT_TRUE(ranAsMainWindow);
  EXPECT_TRUE(headless::RestartRegistered());
  EXPECT_EQ(headless::RegistryKey(), L"应用程序向导生成的本地应用程序");
  EXPECT_EQ(theApp.m_pMainWnd, nullptr);
}

}  // namespace

namespace {

class ToolDeploymentTest : public testsupport::TempFolderTest {};

TEST_F(ToolDeploymentTest, FolderThatCannotBeMadeIsReportedOncePerToolFileBeforeTheWindowShows) {
  ::setenv("TMPDIR", (root_ / "missing" / "deeper").c_str(), 1);
  std::wstring logWhenShown;
  RunMainDialog([&](MainDialog& dlg) { logWhenShown = BoxText(dlg, IDC_LOG); });
  // adb and fastboot on this system: two tool files, two lines.
  EXPECT_EQ(MaskStamps(logWhenShown), L"[T]无法创建工具文件夹!\r\n[T]无法创建工具文件夹!\r\n");
}

TEST_F(ToolDeploymentTest, ExistingFolderIsWrittenOverWithoutALine) {
  const std::filesystem::path folder = root_ / ("vantrelTool-" + std::to_string(::getuid()));
  std::filesystem::create_directories(folder);
  std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
  for (const char* name : {"adb", "fastboot"}) std::ofstream(folder / name) << "old";
  RunMainDialog([&](MainDialog& dlg) { EXPECT_EQ(dlg.m_log, L""); });
  for (const char* name : {"adb", "fastboot"}) EXPECT_GT(std::filesystem::file_size(folder / name), 3u) << name;
}

}  // namespace
