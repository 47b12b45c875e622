// vantrelTool.exe under Wine, driven from outside as a person would: its window, keys, clicks and tool files.
#include <gtest/gtest.h>

#include <functional>
#include <regex>

#include "res/resource.h"
#include "tests/wine/probe_resource.h"
#include "tests/wine/ui_driver.h"

using namespace wineui;

namespace {

std::string Narrow(const std::wstring& text) {
  std::string out;
  if (const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                          nullptr, nullptr);
      n > 0) {
    out.resize(static_cast<std::size_t>(n));
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  }
  return out;
}

// One vantrelTool.exe with a tool folder of its own (TEMP and TMP point into a fresh folder) and
// the simulated phone of the demo build. The process goes before the folder does.
class MainWindow : public ::testing::Test {
 protected:
  // `tempInside`: the program's temporary path is that folder below the test's own;
  // `prepare` runs on that path before the program starts.
  void Start(const wchar_t* phonePreset = L"none", const std::wstring& tempInside = L"",
             const std::function<void(const std::wstring&)>& prepare = {}) {
    m_temp = std::make_unique<TempFolder>(L"main");
    m_tempPath = tempInside.empty() ? m_temp->Path() : m_temp->Path() + L"\\" + tempInside;
    if (prepare) prepare(m_tempPath);
    std::wstring error;
    m_program = Program::Start(WindowsPath(VANTREL_TOOL_EXE),
                               {{L"TEMP", m_tempPath},
                                {L"TMP", m_tempPath},
                                {L"VANTREL_PHONE", phonePreset},
                                {L"VANTREL_PHONE_LOG", m_temp->Path() + L"\\phone.log"}},
                               &error);
    ASSERT_TRUE(m_program) << Narrow(error);
    m_window = m_program->WaitForWindow(L"#32770", L"vantrelTool");
    ASSERT_NE(m_window, nullptr) << "no main window";
    // A person acts on a window that is drawn.
    EXPECT_TRUE(m_program->WaitForIdle());
  }

  HWND Item(int id) const { return ::GetDlgItem(m_window, id); }
  std::wstring ToolFolder() const { return m_tempPath + L"\\vantrelTool"; }
  std::wstring LogText() const { return Text(Item(IDC_LOG)); }

  // A first stamped line in the log: "检测设备" against a phone that is not there.
  void SeedLog() {
    Click(Item(IDC_DETECT_DEVICE));
    ASSERT_TRUE(WaitUntil([&] { return LogText().size() > 21; })) << "the detection wrote no line";
    const std::wstring log = LogText();
    EXPECT_EQ(log[0], L'[');
    EXPECT_EQ(log[20], L']');
  }

  HWND ChildWithText(const std::wstring& text) const {
    for (HWND c : Children(m_window))
      if (Text(c) == text) return c;
    return nullptr;
  }

  RECT InShot(int id) const { return RectOf(Item(id)); }
  RECT RectOf(HWND control) const {
    RECT frame{}, r{};
    ::GetWindowRect(m_window, &frame);
    ::GetWindowRect(control, &r);
    ::OffsetRect(&r, -frame.left, -frame.top);
    return r;
  }

  std::unique_ptr<TempFolder> m_temp;
  std::wstring m_tempPath;
  std::unique_ptr<Program> m_program;
  HWND m_window = nullptr;
};

// The log with every "[YYYY-MM-DD HH:MM:SS]" stamp replaced by "[T]".
std::wstring MaskStamps(const std::wstring& log) {
  static const std::wregex stamp(LR"(\[\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\])");
  return std::regex_replace(log, stamp, L"[T]");
}

// ---- The window as it opens ---------------------------------------------------------------------

struct ControlRow {
  int id;
  const wchar_t* className;
  const wchar_t* caption;  // null: not compared (the combo box shows its selection)
  int x, y, width, height;
  DWORD style;    // bits that must be set
  DWORD exStyle;  // bits that must be set
  bool border = false;
};

constexpr DWORD kButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
constexpr DWORD kReadOnlyEdit = WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_READONLY | ES_AUTOHSCROLL;
constexpr DWORD kLabel = WS_CHILD | WS_VISIBLE;

// Template order, which is also the order of the child windows.
const ControlRow kControls[] = {
    {IDOK, L"Button", L"清空日志", 212, 179, 50, 14, kButton | BS_DEFPUSHBUTTON, 0},
    {IDC_ABOUT_MAKER, L"Button", L"关于vantrel", 263, 179, 50, 14, kButton, 0},
    {IDC_RECOVERY_PATH, L"Edit", L"", 62, 79, 187, 14, kReadOnlyEdit, 0, true},
    {IDC_LOG, L"Edit", L"", 7, 119, 306, 59, kReadOnlyEdit | ES_MULTILINE | WS_VSCROLL, 0, true},
    {IDC_CHOOSE_RECOVERY, L"Button", L"选择recovery", 8, 78, 50, 14, kButton, 0},
    {IDC_FLASH, L"Button", L"刷入", 255, 78, 50, 14, kButton, 0},
    {IDC_STATIC, L"Button", L"刷入选项", 7, 48, 306, 57, kLabel | BS_GROUPBOX, 0},
    {IDC_REBOOT, L"Button", L"重启手机", 7, 179, 50, 14, kButton, 0},
    {IDC_STATIC, L"Button", L"设备检测", 7, 7, 306, 36, kLabel | BS_GROUPBOX, 0},
    {IDC_DETECT_DEVICE, L"Button", L"检测设备", 8, 22, 50, 14, kButton, 0},
    {IDC_DEVICE_STATUS, L"Edit", L"", 64, 23, 82, 14, kReadOnlyEdit, WS_EX_RTLREADING, true},
    {IDC_CHECK_BL, L"Button", L"检测BL", 153, 22, 50, 14, kButton, 0},
    {IDC_BL_STATUS, L"Edit", L"", 208, 22, 100, 14, kReadOnlyEdit, WS_EX_RTLREADING, true},
    {IDC_STATIC, L"Static", L"选择品牌：", 10, 60, 37, 11, kLabel, 0},
    // The combo box hands its WS_VSCROLL on to its drop-down list.
    {IDC_BRAND, L"ComboBox", nullptr, 47, 58, 48, 30, kButton | CBS_DROPDOWNLIST | CBS_SORT, 0},
    {IDC_STATIC, L"Static", L"日志输出", 9, 109, 28, 8, kLabel, 0},
    {IDC_NOTE, L"Static", L"注：目前仅支持华为、小米（高通芯片）机型", 104, 60, 138, 8, kLabel, 0},
    {IDC_DONATE, L"Button", L"捐赠开发者", 161, 179, 50, 14, kButton, 0},
    {IDC_REBOOT_RECOVERY, L"Button", L"重启到recovery", 58, 179, 56, 14, kButton, 0},
};

TEST_F(MainWindow, OpensWithEveryControlOfTheTemplateWhereTheTemplatePutsIt) {
  Start();
  EXPECT_EQ(Text(m_window), L"vantrelTool");
  const DWORD style = Style(m_window);
  EXPECT_EQ(style & (WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME),
            static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME));
  EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0u);
  EXPECT_TRUE(ExStyle(m_window) & WS_EX_APPWINDOW);
  // Dialog units of the main dialog's font, measured on a dialog of this process with that font.
  HiddenDialog units(IDD_UNITS);
  ASSERT_NE(units.Window(), nullptr);
  RECT client{};
  ::GetClientRect(m_window, &client);
  const RECT expectedClient = DialogUnitsToPixels(units.Window(), 0, 0, 320, 200);
  EXPECT_EQ(client.right, expectedClient.right);
  EXPECT_EQ(client.bottom, expectedClient.bottom);

  const std::vector<HWND> children = Children(m_window);
  ASSERT_EQ(children.size(), std::size(kControls));
  EXPECT_EQ(::GetDlgItem(m_window, IDCANCEL), nullptr) << "no control has the id IDCANCEL";
  for (std::size_t i = 0; i < children.size(); ++i) {
    const ControlRow& row = kControls[i];
    HWND c = children[i];
    SCOPED_TRACE(testing::Message() << "control " << i << " (id " << row.id << ")");
    EXPECT_EQ(static_cast<int>(static_cast<short>(::GetDlgCtrlID(c))), row.id);
    EXPECT_EQ(ClassOf(c), row.className);
    if (row.caption) {
      EXPECT_EQ(Text(c), row.caption);
    }
    EXPECT_EQ(Style(c) & row.style, row.style) << std::hex << Style(c);
    EXPECT_EQ(ExStyle(c) & row.exStyle, row.exStyle) << std::hex << ExStyle(c);
    // The dialog manager turns an edit's WS_BORDER into the sunken WS_EX_CLIENTEDGE.
    if (row.border) {
      EXPECT_TRUE((Style(c) & WS_BORDER) || (ExStyle(c) & WS_EX_CLIENTEDGE));
    }
    const RECT want = DialogUnitsToPixels(units.Window(), row.x, row.y, row.width, row.height);
    const RECT got = RectIn(c, m_window);
    EXPECT_EQ(got.left, want.left);
    EXPECT_EQ(got.top, want.top);
    EXPECT_EQ(got.right, want.right);
    // A drop-down list is as high as its selection field; its template height is the open list's.
    if (row.id != IDC_BRAND) {
      EXPECT_EQ(got.bottom, want.bottom);
    }
  }
}

TEST_F(MainWindow, BrandListHoldsHuaweiAndXiaomiWithXiaomiShown) {
  Start();
  EXPECT_EQ(ComboItems(Item(IDC_BRAND)), (std::vector<std::wstring>{L"华为", L"小米"}));
  EXPECT_EQ(::SendMessageW(Item(IDC_BRAND), CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(Text(Item(IDC_BRAND)), L"小米");
}

TEST_F(MainWindow, NoteIsDrawnRedAndTheOtherLabelsAreNot) {
  Start();
  const HWND labels[] = {ChildWithText(L"选择品牌："), ChildWithText(L"日志输出")};
  int red = 0;
  Shot shot;
  ASSERT_TRUE(WaitUntil([&] {
    shot = Capture(m_window);
    return (red = shot.Count(InShot(IDC_NOTE), IsReddish)) > 20;
  })) << "red pixels in the note: " << red;
  SaveScreenshot(m_window, L"main-window");
  for (HWND label : labels) {
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(shot.Count(RectOf(label), IsReddish), 0);
    EXPECT_GT(shot.Count(RectOf(label), IsDark), 10);
  }
}

TEST_F(MainWindow, ToolFilesAreInTheToolFolderWhenTheWindowShows) {
  Start();
  for (const wchar_t* name : {L"adb.exe", L"fastboot.exe", L"AdbWinApi.dll", L"AdbWinUsbApi.dll"})
    EXPECT_TRUE(FileExists(ToolFolder() + L"\\" + name)) << Narrow(name);
}

// ---- A window blocked by a tool run --------------------------------------------------------------

TEST_F(MainWindow, LogAndStatusAreOnTheScreenWhileAToolRunBlocksTheWindow) {
  // The phone is listed in fastboot mode, then its bootloader query never ends: "检测BL" writes
  // the detection's line and status, and then holds the window in the query.
  Start(L"fastboot-hangs-after-listing");
  ASSERT_TRUE(BringToFront(m_window));
  const RECT all{0, 0, 10000, 10000};
  const int logBefore = Capture(Item(IDC_LOG)).Count(all, IsDark);
  const int statusBefore = Capture(Item(IDC_DEVICE_STATUS)).Count(all, IsDark);

  Click(Item(IDC_CHECK_BL));
  const std::wstring phoneLog = m_temp->Path() + L"\\phone.log";
  ASSERT_TRUE(WaitUntil([&] { return ReadBytes(phoneLog).find("oem") != std::string::npos; }))
      << "the bootloader query did not start: " << ReadBytes(phoneLog);
  DWORD_PTR ignored = 0;
  EXPECT_FALSE(::SendMessageTimeoutW(m_window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 300, &ignored))
      << "the window should be held by the tool run";

  // Only what the program painted before it blocked can be on the screen now.
  int logWhileBlocked = 0, statusWhileBlocked = 0;
  EXPECT_TRUE(WaitUntil([&] {
    logWhileBlocked = Capture(Item(IDC_LOG)).Count(all, IsDark);
    statusWhileBlocked = Capture(Item(IDC_DEVICE_STATUS)).Count(all, IsDark);
    return logWhileBlocked > logBefore + 50 && statusWhileBlocked > statusBefore + 20;
  }, 3s)) << "log " << logBefore << " -> " << logWhileBlocked << ", status " << statusBefore << " -> "
          << statusWhileBlocked;
  SaveScreenshot(m_window, L"main-window-blocked");
}

// ---- Keys and buttons ----------------------------------------------------------------------------

TEST_F(MainWindow, EnterAndTheClearButtonEmptyTheLogAndKeepTheWindow) {
  const struct {
    const char* what;
    void (*act)(HWND window);
  } cases[] = {
      // Enter from the log box, which is no push button: the default button takes it.
      {"Enter", [](HWND w) {
         Click(::GetDlgItem(w, IDC_LOG));
         PressKey(VK_RETURN);
       }},
      {"清空日志", [](HWND w) { Click(::GetDlgItem(w, IDOK)); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Start();
    ASSERT_TRUE(BringToFront(m_window));
    SeedLog();
    c.act(m_window);
    EXPECT_TRUE(WaitUntil([&] { return LogText().empty(); })) << Narrow(LogText());
    EXPECT_TRUE(m_program->Running());
    EXPECT_TRUE(::IsWindowVisible(m_window));
    EXPECT_EQ(Text(Item(IDC_DEVICE_STATUS)), L"未连接") << "clearing keeps the status box";
    m_program.reset();
  }
}

TEST_F(MainWindow, EscapeAltF4AndTheCloseCommandEndTheProgram) {
  const struct {
    const char* what;
    void (*act)(HWND window);
  } cases[] = {
      {"Escape", [](HWND) { PressKey(VK_ESCAPE); }},
      {"Alt+F4", [](HWND) { PressKey(VK_F4, true); }},
      // Without a window manager there is no title bar to click: the close box's command.
      {"close box", [](HWND w) { ::PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Start();
    ASSERT_TRUE(BringToFront(m_window));
    c.act(m_window);
    DWORD code = 1234;
    EXPECT_TRUE(m_program->WaitForExit(10s, &code));
    EXPECT_EQ(code, 0u);
    m_program.reset();
  }
}

// ---- System menu --------------------------------------------------------------------------------

TEST_F(MainWindow, SystemMenuEndsWithTheAboutEntryWhichOpensTheAboutBox) {
  Start();
  const auto menu = SystemMenuOfOtherProcess(m_window, WindowsPath(VANTREL_MENU_READER_DLL));
  ASSERT_GE(menu.size(), 2u);
  EXPECT_TRUE(menu[menu.size() - 2].separator);
  EXPECT_EQ(menu.back().id, static_cast<UINT>(IDM_ABOUTBOX));
  EXPECT_EQ(menu.back().text, L"关于 vantrelTool(&A)...");

  // As a person: Alt+Space opens the system menu, Up goes round to its last entry, Enter takes it.
  // (Wine's menu loop does not match a mnemonic right after Alt+Space, so Up and Enter it is.)
  ASSERT_TRUE(BringToFront(m_window));
  PressKey(VK_SPACE, true);
  ASSERT_TRUE(WaitUntil([&] { return !TopWindows(m_program->Id(), L"#32768").empty(); }, 3s)) << "no menu";
  PressKey(VK_UP);
  PressKey(VK_RETURN);
  HWND about = m_program->WaitForWindow(L"#32770", L"关于 vantrelTool", 10s);
  ASSERT_NE(about, nullptr) << "no About box";
  EXPECT_FALSE(::IsWindowEnabled(m_window)) << "the About box is modal to the main window";
  BringToFront(about);
  PressKey(VK_ESCAPE);
  EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(about) && ::IsWindowEnabled(m_window); }));
  EXPECT_TRUE(m_program->Running());
}

// ---- Language ---------------------------------------------------------------------------------

// The program's texts are Unicode, so they must read right where the ANSI code page is not the
// Chinese one (936). These tests run in such a locale; this one makes sure they still do.
TEST(Locale, TestsRunUnderANonChineseCodePage) { EXPECT_NE(::GetACP(), 936u); }

// ---- Where the tool folder cannot be had ------------------------------------------------------

TEST_F(MainWindow, ToolFolderThatCannotBeMadeIsReportedBeforeTheWindowShowsAndAtEveryToolPath) {
  // The temporary path's own folder is missing, so the tool folder cannot be made inside it.
  Start(L"adb-device", L"missing\\Temp");
  const std::wstring failed = L"[T]无法创建工具文件夹!\r\n";
  EXPECT_EQ(MaskStamps(LogText()), failed + failed + failed + failed) << "one line per tool file";
  EXPECT_FALSE(FileExists(ToolFolder()));

  // Detection builds the adb path and, as adb cannot start, the fastboot path: a line for each.
  Click(Item(IDC_DETECT_DEVICE));
  const std::wstring expected = failed + failed + failed + failed + failed + failed + L"[T]设备状态:未检测到设备!\r\n";
  EXPECT_TRUE(WaitUntil([&] { return MaskStamps(LogText()) == expected; })) << Narrow(LogText());
  EXPECT_EQ(Text(Item(IDC_DEVICE_STATUS)), L"未连接");
}

TEST_F(MainWindow, PlainFileNamedLikeTheToolFolderTakesItsPlaceSilently) {
  Start(L"adb-device", L"", [](const std::wstring& temp) { WriteBytes(temp + L"\\vantrelTool", "not a folder"); });
  EXPECT_EQ(LogText(), L"") << "the name is taken, so nothing is made and nothing reported";
  EXPECT_EQ(ReadBytes(ToolFolder()), "not a folder");
  Click(Item(IDC_DETECT_DEVICE));
  EXPECT_TRUE(WaitUntil([&] { return MaskStamps(LogText()) == L"[T]设备状态:未检测到设备!\r\n"; })) << Narrow(LogText());
}

TEST_F(MainWindow, ExistingToolFolderIsWrittenOverWithoutALine) {
  Start(L"adb-device", L"", [](const std::wstring& temp) {
    ::CreateDirectoryW((temp + L"\\vantrelTool").c_str(), nullptr);
    for (const wchar_t* name : {L"adb.exe", L"fastboot.exe", L"AdbWinApi.dll", L"AdbWinUsbApi.dll"})
      WriteBytes(temp + L"\\vantrelTool\\" + name, "old");
  });
  EXPECT_EQ(LogText(), L"");
  for (const wchar_t* name : {L"adb.exe", L"fastboot.exe", L"AdbWinApi.dll", L"AdbWinUsbApi.dll"})
    EXPECT_EQ(ReadBytes(ToolFolder() + L"\\" + name).substr(0, 2), "MZ") << Narrow(name) << " was not written over";
  Click(Item(IDC_DETECT_DEVICE));
  EXPECT_TRUE(WaitUntil([&] { return MaskStamps(LogText()) == L"[T]设备状态:已连接\r\n"; })) << Narrow(LogText());
}

}  // namespace
