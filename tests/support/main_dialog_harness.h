// Runs the real main dialog on the headless backend, in a private temp folder, and lets a test
// act inside its modal run as the person at the keyboard would.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <regex>
#include <string>

#include "main_dialog/vantrelToolDlg.h"
#include "platform/headless/headless.h"

namespace testsupport {

// The dialog with its protected handlers reachable only through the event table, as for a user.
class MainDialog : public CvantrelToolDlg {
 public:
  using CvantrelToolDlg::m_bootloaderStatus;
  using CvantrelToolDlg::m_deviceStatus;
  using CvantrelToolDlg::m_hIcon;
  using CvantrelToolDlg::m_log;
};

inline CString BoxText(CWnd& dlg, int id) { return headless::Child(dlg, id)->text; }

// The log with every "[YYYY-MM-DD HH:MM:SS]" stamp replaced by "[T]".
inline CString MaskStamps(const CString& log) {
  static const std::wregex stamp(LR"(\[\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\])");
  return std::regex_replace(log, stamp, L"[T]");
}

// A private TMPDIR for the tool folder, so tests never touch the user's own.
class TempFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::Reset();
    // The temp folder as it was before any test pointed TMPDIR elsewhere.
    static const std::filesystem::path base = std::filesystem::temp_directory_path();
    root_ = base /
            ("vantrel-test-" + std::to_string(::getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_);
    ::setenv("TMPDIR", root_.c_str(), 1);
    ::unsetenv("XDG_RUNTIME_DIR");
  }
  void TearDown() override {
    headless::Reset();
    ::setenv("TMPDIR", std::filesystem::path(root_).parent_path().c_str(), 1);
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }

  // Opens the main dialog and runs `body` while it is shown; returns DoModal's end code.
  std::intptr_t RunMainDialog(const std::function<void(MainDialog&)>& body) {
    MainDialog dlg;
    headless::SetModalDriver(IDD_MAIN_DIALOG, [&](CDialogEx&) { body(dlg); });
    return dlg.DoModal();
  }

  std::filesystem::path root_;
};

}  // namespace testsupport
