// The Win32 platform backend on real windows: a probe dialog runs modally while a second thread acts as the user.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <map>
#include <thread>
#include <vector>

#include "tests/wine/probe_dialog.h"
#include "tests/wine/probe_resource.h"
#include "tests/wine/ui_driver.h"

#include <dlgs.h>  // cmb1: the file dialog's file-type list

using namespace wineui;
using probe::kFinished;
using probe::ProbeDialog;

namespace {

HWND ProbeWindowOf(const wchar_t* caption) {
  auto windows = TopWindows(::GetCurrentProcessId(), L"#32770", caption);
  return windows.empty() ? nullptr : windows.front();
}

// Runs `dialog` modally on this thread while `person` acts from a second thread, as a user at
// the screen would. A dialog still open when the person is done is ended with kFinished.
std::intptr_t RunWithPerson(CDialogEx& dialog, const std::function<void(HWND)>& person) {
  std::thread actor([&] {
    HWND window = nullptr;
    WaitUntil([&] { return (window = ProbeWindowOf(L"probe")) != nullptr; }, 20s);
    if (!window) {
      ADD_FAILURE() << "the probe dialog did not appear";
      return;
    }
    EXPECT_TRUE(BringToFront(window));
    person(window);
    WaitUntil(
        [&] {
          if (!::IsWindow(window)) return true;
          ::PostMessageW(window, WM_COMMAND, IDC_FINISH, 0);
          return false;
        },
        10s);
  });
  const std::intptr_t result = dialog.DoModal();
  actor.join();
  return result;
}

HWND Item(HWND dialog, int id) { return ::GetDlgItem(dialog, id); }

// ---- Modal life and data exchange -------------------------------------------------------------

TEST(Win32Dialog, InitPushesHeldTextsAndTheEndLetsGoOfEveryControl) {
  ProbeDialog probe;
  std::wstring editText, logText, listText;
  std::vector<std::wstring> items;
  const auto result = RunWithPerson(probe, [&](HWND w) {
    editText = Text(Item(w, IDC_TEXT));
    logText = Text(Item(w, IDC_LOGBOX));
    items = ComboItems(Item(w, IDC_LIST));
    listText = Text(Item(w, IDC_LIST));
  });
  EXPECT_EQ(result, kFinished);
  EXPECT_EQ(editText, L"初始 text");
  EXPECT_EQ(logText, L"");
  EXPECT_EQ(items, (std::vector<std::wstring>{L"华为", L"小米"}));  // sorted by the list itself
  EXPECT_EQ(listText, L"小米");
  EXPECT_NE(probe.hwndAtInit, nullptr);
  EXPECT_EQ(probe.GetSafeHwnd(), nullptr);
  EXPECT_EQ(probe.m_link.GetSafeHwnd(), nullptr);
  EXPECT_EQ(probe.m_list.GetSafeHwnd(), nullptr);
  EXPECT_EQ(probe.GetDlgItem(IDC_TEXT), nullptr);
}

TEST(Win32Dialog, TypedUnicodeTextIsPulledAndPushedBack) {
  ProbeDialog probe;
  std::wstring logText;
  RunWithPerson(probe, [&](HWND w) {
    // The dialog manager put the focus in the edit with its text selected: typing replaces it.
    TypeText(L"你好 wine");
    Click(Item(w, IDC_PULL));
    WaitUntil([&] { return probe.pulls > 0; });
    logText = Text(Item(w, IDC_LOGBOX));
  });
  EXPECT_EQ(probe.pulls, 1);
  EXPECT_EQ(probe.pulled, L"你好 wine");
  EXPECT_EQ(logText, L"got: 你好 wine\r\n");
}

// What a person does and what the dialog must make of it.
struct KeyCase {
  const char* what;
  std::function<void(HWND)> act;
  std::intptr_t endCode;  // kFinished: the action left the dialog open
  int enters;
};

TEST(Win32Dialog, KeysAndTheCloseCommandReachTheEventTable) {
  const KeyCase cases[] = {
      {"Enter presses the default button and keeps the dialog", [](HWND) { PressKey(VK_RETURN); }, kFinished, 1},
      {"Escape ends with IDCANCEL", [](HWND) { PressKey(VK_ESCAPE); }, IDCANCEL, 0},
      {"Alt+F4 ends with IDCANCEL", [](HWND) { PressKey(VK_F4, true); }, IDCANCEL, 0},
      {"the close command ends with IDCANCEL",
       [](HWND w) { ::PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0); }, IDCANCEL, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ProbeDialog probe;
    const auto result = RunWithPerson(probe, [&](HWND w) {
      c.act(w);
      // Give the action its chance to end the dialog before the harness does.
      WaitUntil([&] { return !::IsWindow(w) || probe.enters > 0; }, 3s);
    });
    EXPECT_EQ(result, c.endCode);
    EXPECT_EQ(probe.enters, c.enters);
  }
}

TEST(Win32Dialog, NestedDialogDisablesTheMainWindowUntilItEnds) {
  CWinApp app;
  ProbeDialog probe;
  app.m_pMainWnd = &probe;
  bool ownerDisabled = false, ownerIsProbe = false, enabledAfter = false;
  RunWithPerson(probe, [&](HWND w) {
    Click(Item(w, IDC_NESTED));
    HWND nested = nullptr;
    WaitUntil([&] { return (nested = ProbeWindowOf(L"nested")) != nullptr; });
    ASSERT_NE(nested, nullptr);
    ownerDisabled = !::IsWindowEnabled(w);
    ownerIsProbe = ::GetWindow(nested, GW_OWNER) == w;
    BringToFront(nested);
    PressKey(VK_ESCAPE);
    enabledAfter = WaitUntil([&] { return !::IsWindow(nested) && ::IsWindowEnabled(w); });
  });
  EXPECT_TRUE(ownerDisabled);
  EXPECT_TRUE(ownerIsProbe);
  EXPECT_TRUE(enabledAfter);
  EXPECT_EQ(probe.nestedResult, IDCANCEL);
}

TEST(Win32Dialog, SystemMenuEndsWithTheAppendedEntryAndCommandsArriveWithTheirId) {
  ProbeDialog probe;
  std::vector<MenuEntry> menu;
  const auto result = RunWithPerson(probe, [&](HWND w) {
    menu = SystemMenu(w);
    ::PostMessageW(w, WM_SYSCOMMAND, 16, 0);        // handled by the probe
    ::PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0);  // passed on: the default closes the dialog
    WaitUntil([&] { return !::IsWindow(w); }, 3s);
  });
  ASSERT_GE(menu.size(), 2u);
  EXPECT_TRUE(menu[menu.size() - 2].separator);
  EXPECT_EQ(menu.back().id, 16u);
  EXPECT_EQ(menu.back().text, L"关于 probe(&A)...");
  EXPECT_EQ(probe.sysCommands, (std::vector<unsigned>{16u, SC_CLOSE}));
  EXPECT_EQ(result, IDCANCEL);
}

// ---- Subclassed controls ----------------------------------------------------------------------

TEST(Win32Subclass, PointerEventsReachTheObjectAndEverythingElseTheControl) {
  ProbeDialog probe;
  int hoverPixels = 0, restPixelsAfterLeave = 0;
  std::wstring linkText;
  DWORD linkStyle = 0;
  RunWithPerson(probe, [&](HWND w) {
    HWND link = Item(w, IDC_LINK);
    linkText = Text(link);  // WM_GETTEXT is not in the table: the static answers itself
    linkStyle = Style(link);
    const POINT centre = CentreOf(link);
    MoveTo(centre);
    MoveTo(POINT{centre.x + 1, centre.y});
    WaitUntil([&] { return probe.m_link.hovers > 0; });
    const RECT all{0, 0, 10000, 10000};
    WaitUntil([&] {
      hoverPixels = Capture(link).Count(all, [](std::uint32_t p) { return p == 0xC800C8; });
      return hoverPixels > 0;
    });
    MoveTo(POINT{centre.x + 2, centre.y});  // a cursor query while hovering
    WaitUntil([&] { return probe.m_link.handShown.load(); }, 3s);
    ClickAt(POINT{centre.x + 2, centre.y});
    WaitUntil([&] { return probe.m_link.ups > 0; });
    RECT r{};
    ::GetWindowRect(w, &r);
    MoveTo(POINT{r.right - 4, r.bottom - 4});
    WaitUntil([&] { return probe.m_link.leaves > 0; });
    WaitUntil([&] {
      restPixelsAfterLeave = Capture(link).Count(all, [](std::uint32_t p) { return p == 0x00A000; });
      return restPixelsAfterLeave > 0;
    });
  });
  EXPECT_EQ(linkText, L"link text");
  EXPECT_TRUE(linkStyle & SS_NOTIFY) << "PreSubclassWindow ran after attaching";
  EXPECT_GT(probe.m_link.moves, 0);
  EXPECT_GT(probe.m_link.hovers, 0);
  EXPECT_TRUE(probe.m_link.handShown);
  EXPECT_EQ(probe.m_link.ups, 1);
  EXPECT_GT(probe.m_link.leaves, 0);
  EXPECT_GT(probe.m_link.paints, 1);
  EXPECT_GT(hoverPixels, 0) << "the control's WM_PAINT went through the object's table";
  EXPECT_GT(restPixelsAfterLeave, 0);
}

// ---- Painting ---------------------------------------------------------------------------------

TEST(Win32Paint, ControlColourHookColoursOneStaticAndLeavesTheSystemBrush) {
  ProbeDialog probe;
  int redInNote = -1, redInPlain = -1, darkInPlain = -1;
  RunWithPerson(probe, [&](HWND w) {
    RECT frame{};
    ::GetWindowRect(w, &frame);
    auto inShot = [&](int id) {
      RECT r{};
      ::GetWindowRect(Item(w, id), &r);
      ::OffsetRect(&r, -frame.left, -frame.top);
      return r;
    };
    // Both statics are on the screen once the plain one shows its text.
    WaitUntil([&] {
      const Shot shot = Capture(w);
      redInNote = shot.Count(inShot(IDC_RED), IsReddish);
      redInPlain = shot.Count(inShot(IDC_PLAIN), IsReddish);
      darkInPlain = shot.Count(inShot(IDC_PLAIN), IsDark);
      return darkInPlain > 10 && redInNote > 10;
    });
  });
  EXPECT_GT(redInNote, 10);
  EXPECT_EQ(redInPlain, 0);
  EXPECT_GT(darkInPlain, 10);
  EXPECT_EQ(probe.brushes[IDC_RED], static_cast<BrushRef>(::GetSysColorBrush(COLOR_BTNFACE)));
  EXPECT_EQ(probe.brushes[IDC_PLAIN], static_cast<BrushRef>(::GetSysColorBrush(COLOR_BTNFACE)));
}

// ---- File dialog ------------------------------------------------------------------------------

BOOL CALLBACK FirstEditProc(HWND c, LPARAM lp) {
  if (ClassOf(c) != L"Edit" || !::IsWindowVisible(c) || !::IsWindowEnabled(c)) return TRUE;
  *reinterpret_cast<HWND*>(lp) = c;
  return FALSE;
}

// The file-name box of a file dialog: its one visible, enabled edit.
HWND VisibleEnabledEdit(HWND dialog) {
  HWND found = nullptr;
  ::EnumChildWindows(dialog, FirstEditProc, reinterpret_cast<LPARAM>(&found));
  return found;
}

TEST(Win32FileDialog, ChoosesAPathWithTheDefaultExtensionOrCancels) {
  TempFolder folder(L"filedlg");
  const std::wstring image = folder.Path() + L"\\镜像 one.img";
  ASSERT_TRUE(WriteBytes(image, "img"));
  // The name is typed without extension, under "所有文件(*.*)", so that only the dialog's default
  // extension can complete it; an open dialog completes names of existing files only.
  const struct {
    const char* what;
    bool choose;
    std::intptr_t result;
    std::wstring path;
  } cases[] = {
      {"a typed name gets the default extension", true, IDOK, image},
      {"cancel gives no path", false, IDCANCEL, L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    CWinApp app;
    ProbeDialog probe;
    app.m_pMainWnd = &probe;
    std::vector<std::wstring> filters;
    bool ownerDisabled = false;
    RunWithPerson(probe, [&](HWND w) {
      Click(Item(w, IDC_BROWSE));
      HWND chooser = nullptr;
      WaitUntil([&] {
        for (HWND top : TopWindows(::GetCurrentProcessId(), L"#32770"))
          if (top != w) chooser = top;
        return chooser != nullptr;
      });
      ASSERT_NE(chooser, nullptr);
      ownerDisabled = !::IsWindowEnabled(w);
      HWND types = ::GetDlgItem(chooser, cmb1);
      filters = ComboItems(types);
      if (c.choose) {
        ::SendMessageW(types, CB_SETCURSEL, 1, 0);
        ::SendMessageW(chooser, WM_COMMAND, MAKEWPARAM(cmb1, CBN_SELENDOK), reinterpret_cast<LPARAM>(types));
        HWND edit = VisibleEnabledEdit(chooser);
        ASSERT_NE(edit, nullptr);
        const std::wstring typed = folder.Path() + L"\\镜像 one";
        ::SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()));
        ::PostMessageW(chooser, WM_COMMAND, IDOK, 0);
      } else {
        ::PostMessageW(chooser, WM_COMMAND, IDCANCEL, 0);
      }
      WaitUntil([&] { return !::IsWindow(chooser); });
    });
    EXPECT_TRUE(ownerDisabled) << "the main window owns the chooser";
    EXPECT_EQ(filters, (std::vector<std::wstring>{L"IMG(*.img)", L"所有文件(*.*)"}));
    EXPECT_EQ(probe.fileResult, c.result);
    EXPECT_EQ(probe.filePath, c.path);
  }
}

// ---- Services without a window ----------------------------------------------------------------

TEST(Win32Services, ResourcesMetricsAndRestartRegistration) {
  CString text;
  EXPECT_TRUE(LoadString(text, IDS_PROBE));
  EXPECT_EQ(text, L"探针 probe 文本");
  EXPECT_FALSE(LoadString(text, 9999));
  EXPECT_EQ(text, L"");

  IconRef icon = LoadIconResource(IDI_PROBE);
  ASSERT_NE(icon, nullptr);
  ICONINFO info{};
  ASSERT_TRUE(::GetIconInfo(static_cast<HICON>(icon), &info));
  BITMAP bitmap{};
  ::GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
  EXPECT_EQ(bitmap.bmWidth, SystemMetric(SM_CXICON));
  if (info.hbmColor) ::DeleteObject(info.hbmColor);
  ::DeleteObject(info.hbmMask);
  EXPECT_EQ(LoadIconResource(9999), nullptr);

  CWinApp app;
  EXPECT_EQ(AfxGetApp(), &app);
  app.m_dwRestartManagerSupportFlags = AFX_RESTART_MANAGER_SUPPORT_RESTART;
  EXPECT_TRUE(app.InitInstance());
}

TEST(Win32Paint, FontCopiesTakeTheUnderlineAsAskedAndKeepTheRest) {
  LOGFONTW base{};
  base.lfHeight = -17;
  base.lfWeight = FW_BOLD;
  base.lfUnderline = TRUE;
  wcscpy(base.lfFaceName, L"Tahoma");
  HFONT source = ::CreateFontIndirectW(&base);
  ASSERT_NE(source, nullptr);
  for (bool underline : {false, true}) {
    FontRef copy = CreateFontCopy(source, underline);
    ASSERT_NE(copy, nullptr);
    LOGFONTW got{};
    ASSERT_EQ(::GetObjectW(static_cast<HGDIOBJ>(copy), sizeof got, &got), static_cast<int>(sizeof got));
    EXPECT_EQ(got.lfUnderline != 0, underline);
    EXPECT_EQ(got.lfHeight, -17);
    EXPECT_EQ(got.lfWeight, FW_BOLD);
    EXPECT_STREQ(got.lfFaceName, L"Tahoma");
    DeleteFontRef(copy);
    EXPECT_EQ(::GetObjectType(static_cast<HGDIOBJ>(copy)), 0u) << "deleted";
  }
  EXPECT_EQ(CreateFontCopy(nullptr, true), nullptr);
  ::DeleteObject(source);
}

}  // namespace
