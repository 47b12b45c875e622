// vantrelTool.exe under Wine with the embedded simulated phone: the phone buttons pressed as a person would.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/wine/ui_driver.h"  // brings <windows.h>, which <tlhelp32.h> needs first
#include <tlhelp32.h>

#include "tool_runtime/run_tool_command.h"
#include "tool_runtime/utf8_stream.h"

#ifndef VANTREL_TOOL_EXE
#error "VANTREL_TOOL_EXE must name the built vantrelTool.exe"
#endif
#ifndef VANTREL_DECOY_EXE
#error "VANTREL_DECOY_EXE must name the decoy program"
#endif

using namespace wineui;

namespace {

constexpr wchar_t kDialogClass[] = L"#32770";

#define CONNECTED L"[T]设备状态:已连接\r\n"
#define NO_DEVICE L"[T]设备状态:未检测到设备!\r\n"
#define FASTBOOT_MODE L"[T]设备状态:已连接(fastboot模式)\r\n"

const std::string kAdbDevices = "adb\tdevices";
const std::string kFbDevices = "fastboot\tdevices";
const std::string kXiaomiQuery = "fastboot\toem\tdevice-info";

std::string Narrow(const std::wstring& text) { return WideToUtf8(text); }

// The log with every "[YYYY-MM-DD HH:MM:SS]" stamp replaced by "[T]".
std::wstring MaskStamps(const std::wstring& log) {
  static const std::wregex stamp(LR"(\[\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\])");
  return std::regex_replace(log, stamp, L"[T]");
}

// Local time now, as the stamps write it; text order is time order.
std::wstring StampNow() {
  const std::time_t now = std::time(nullptr);
  wchar_t text[32] = {};
  std::wcsftime(text, 32, L"[%Y-%m-%d %H:%M:%S]", std::localtime(&now));
  return text;
}

// Every stamp of `log` lies between `earliest` and `latest` (both StampNow texts).
void ExpectStampsBetween(const std::wstring& log, const std::wstring& earliest, const std::wstring& latest) {
  static const std::wregex stamp(LR"(\[\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\])");
  for (std::wsregex_iterator it(log.begin(), log.end(), stamp), end; it != end; ++it) {
    const std::wstring s = it->str();
    EXPECT_TRUE(s >= earliest && s <= latest) << Narrow(s) << " is not local time between " << Narrow(earliest)
                                              << " and " << Narrow(latest);
  }
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t start = 0, end; start < text.size(); start = end + 1) {
    end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

// A tool process that is still there: its id and parent.
struct ToolProcess {
  DWORD pid;
  DWORD parent;
  std::wstring name;
};

std::vector<ToolProcess> RunningTools() {
  std::vector<ToolProcess> found;
  HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return found;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry)) {
    const std::wstring name = entry.szExeFile;
    if (_wcsicmp(name.c_str(), L"adb.exe") == 0 || _wcsicmp(name.c_str(), L"fastboot.exe") == 0)
      found.push_back({entry.th32ProcessID, entry.th32ParentProcessID, name});
  }
  ::CloseHandle(snapshot);
  return found;
}

// Rows of text in `area` of a capture: runs of pixel rows that hold dark pixels, with the
// rightmost dark pixel of each run.
struct TextRow {
  int top = 0;
  int bottom = 0;
  int right = 0;
};
std::vector<TextRow> TextRows(const Shot& shot, const RECT& area) {
  std::vector<TextRow> rows;
  bool inRow = false;
  for (int y = std::max<LONG>(area.top, 0); y < std::min<LONG>(area.bottom, shot.height); ++y) {
    int right = -1;
    for (int x = std::max<LONG>(area.left, 0); x < std::min<LONG>(area.right, shot.width); ++x)
      if (IsDark(shot.At(x, y))) right = x;
    if (right < 0) {
      inRow = false;
      continue;
    }
    if (!inRow) rows.push_back({y, y, right});
    inRow = true;
    rows.back().bottom = y;
    rows.back().right = std::max(rows.back().right, right);
  }
  return rows;
}

// One vantrelTool.exe with a tool folder of its own and the simulated phone answering from a
// scenario file, which a test rewrites to put another phone on the cable between presses.
class PhoneButtonsWine : public ::testing::Test {
 protected:
  void SetUp() override {
    m_temp = std::make_unique<TempFolder>(L"phone");
    m_scenario = m_temp->Path() + L"\\phone.txt";
    m_callLog = m_temp->Path() + L"\\calls.log";
    m_state = m_temp->Path() + L"\\phone.state";
  }
  void TearDown() override {
    m_program.reset();  // the process goes before its folder
    m_temp.reset();
  }

  // Starts the program with TEMP and TMP at `toolTemp` (default: a folder of the test's own).
  void Start(std::wstring toolTemp = {}) {
    if (toolTemp.empty()) {
      toolTemp = m_temp->Path() + L"\\Temp";
      ::CreateDirectoryW(toolTemp.c_str(), nullptr);
    }
    m_toolTemp = toolTemp;
    std::wstring error;
    m_program = Program::Start(WindowsPath(VANTREL_TOOL_EXE),
                               {{L"TEMP", toolTemp},
                                {L"TMP", toolTemp},
                                {L"VANTREL_PHONE", L"@" + m_scenario},
                                {L"VANTREL_PHONE_LOG", m_callLog},
                                {L"VANTREL_PHONE_STATE", m_state}},
                               &error);
    ASSERT_TRUE(m_program) << Narrow(error);
    m_main = m_program->WaitForWindow(kDialogClass, L"vantrelTool");
    ASSERT_NE(m_main, nullptr) << "no main window";
  }
  void Stop() {
    m_program.reset();
    m_main = nullptr;
  }

  // The phone on the cable from now on: a preset name, or a scenario text.
  void UsePhone(const std::string& phone) {
    const bool text = phone.rfind("on ", 0) == 0 || phone.rfind("include ", 0) == 0;
    ASSERT_TRUE(WriteBytes(m_scenario, text ? phone : "include " + phone + "\n"));
    ::DeleteFileW(m_state.c_str());
  }

  HWND Item(int id) const { return ::GetDlgItem(m_main, id); }
  std::wstring ToolFolder() const { return m_toolTemp + L"\\vantrelTool"; }
  std::wstring LogText() const { return Text(Item(IDC_LOG)); }
  std::vector<std::string> Calls() const { return Lines(ReadBytes(m_callLog)); }
  void ForgetCalls() const { ::DeleteFileW(m_callLog.c_str()); }

  void Press(int id) {
    ASSERT_TRUE(BringToFront(m_main));
    Click(Item(id));
  }

  // "选择recovery", then the system's file dialog: the path put into its file-name field and
  // Enter pressed, or Escape when `path` is empty.
  void ChooseImage(const std::wstring& path) {
    Press(IDC_CHOOSE_RECOVERY);
    HWND dialog = m_program->WaitForOtherWindow(m_main);
    ASSERT_NE(dialog, nullptr) << "no file dialog";
    EXPECT_EQ(ClassOf(dialog), kDialogClass);
    EXPECT_FALSE(::IsWindowEnabled(m_main)) << "the file dialog is modal to the main window";
    ASSERT_TRUE(BringToFront(dialog));
    if (path.empty()) {
      PressKey(VK_ESCAPE);
    } else {
      HWND field = nullptr;
      ASSERT_TRUE(WaitUntil([&] { return (field = FileNameField(dialog)) != nullptr; })) << "no file-name field";
      Click(field);
      ::SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
      PressKey(VK_RETURN);
    }
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(dialog) && ::IsWindowEnabled(m_main); }))
        << "the file dialog stayed open";
  }

  static HWND FileNameField(HWND dialog) {
    struct Search {
      HWND found = nullptr;
      // A plain function: a lambda does not convert to the stdcall callback of 32-bit Windows.
      static BOOL CALLBACK Visit(HWND w, LPARAM lp) {
        auto* s = reinterpret_cast<Search*>(lp);
        if (ClassOf(w) == L"Edit" && ::IsWindowVisible(w) && ::IsWindowEnabled(w) && !(Style(w) & ES_READONLY)) {
          s->found = w;
          return FALSE;
        }
        return TRUE;
      }
    } search;
    ::EnumChildWindows(dialog, &Search::Visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  // What the deployed fastboot prints for `arguments` with the phone of the scenario file,
  // asked aside (not in the call log), through the same runner as the program's.
  std::wstring FastbootSays(const std::wstring& arguments) const {
    ::SetEnvironmentVariableW(L"VANTREL_PHONE", (L"@" + m_scenario).c_str());
    std::wstring output;
    std::uint32_t exitCode = 0;
    RunToolCommand(QuoteArgument(ToolFolder() + L"\\fastboot.exe") + arguments, output, exitCode, 10000);
    ::SetEnvironmentVariableW(L"VANTREL_PHONE", nullptr);
    return output;
  }

  std::unique_ptr<TempFolder> m_temp;
  std::wstring m_scenario, m_callLog, m_state, m_toolTemp;
  std::unique_ptr<Program> m_program;
  HWND m_main = nullptr;
};

// ---- The phone buttons one after the other, with the phone changing between presses --------

TEST_F(PhoneButtonsWine, EachButtonLeavesItsStampedLinesBoxesAndCommands) {
  struct Row {
    const char* what;
    const char* phone;
    int button;
    const wchar_t* lines;  // appended to the log by this press; "[T]" is a stamp
    const wchar_t* deviceBox;
    const wchar_t* blBox;
    std::vector<std::string> calls;
  };
  const Row rows[] = {
      {"检测设备, adb lists a phone", "adb-device", IDC_DETECT_DEVICE, CONNECTED, L"已连接", L"", {kAdbDevices}},
      {"检测设备, nothing attached", "none", IDC_DETECT_DEVICE, NO_DEVICE, L"未连接", L"", {kAdbDevices, kFbDevices}},
      {"检测BL, Xiaomi unlocked", "fastboot-xiaomi-unlocked", IDC_CHECK_BL, CONNECTED L"[T]设备已解锁!\r\n", L"已连接",
       L"已解锁", {kFbDevices, kXiaomiQuery}},
      {"重启手机, phone in fastboot mode", "fastboot-xiaomi-unlocked", IDC_REBOOT,
       CONNECTED FASTBOOT_MODE CONNECTED L"[T]手机正在重启,请耐心等待进入系统.\r\n", L"已连接", L"已解锁",
       {kFbDevices, kAdbDevices, kFbDevices, kFbDevices, "fastboot\treboot"}},
      {"重启到recovery, phone over adb", "adb-device", IDC_REBOOT_RECOVERY,
       CONNECTED L"[T]手机正在重启到recovery,请耐心等待.\r\n", L"已连接", L"已解锁", {kAdbDevices, "adb\treboot\trecovery"}},
  };
  UsePhone("none");
  Start();
  const std::wstring started = StampNow();
  std::wstring expectedLog;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    UsePhone(row.phone);
    ForgetCalls();
    expectedLog += row.lines;
    Press(row.button);
    const bool done = WaitUntil(
        [&] {
          return MaskStamps(LogText()) == expectedLog && Text(Item(IDC_DEVICE_STATUS)) == row.deviceBox &&
                 Text(Item(IDC_BL_STATUS)) == row.blBox;
        },
        20s);
    const std::wstring log = LogText();
    EXPECT_TRUE(done);
    EXPECT_EQ(MaskStamps(log), expectedLog) << Narrow(log);
    EXPECT_EQ(Text(Item(IDC_DEVICE_STATUS)), row.deviceBox);
    EXPECT_EQ(Text(Item(IDC_BL_STATUS)), row.blBox);
    ExpectStampsBetween(log, started, StampNow());
    EXPECT_EQ(Calls(), row.calls);
    if (HasFailure()) return;
  }
}

// ---- Choosing an image in the real file dialog and flashing it --------------------------------

TEST_F(PhoneButtonsWine, ImageChosenInTheFileDialogIsFlashedAndBootedAsOneArgument) {
  const std::wstring folder = m_temp->Path() + L"\\my images 恢复";
  const std::wstring image = folder + L"\\twrp 恢复 镜像.img";
  ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
  ASSERT_TRUE(WriteBytes(image, std::string(3 * 1024 + 100, 'r')));
  UsePhone("fastboot-xiaomi-unlocked");
  Start();
  EXPECT_EQ(Text(Item(IDC_BRAND)), L"小米");

  ChooseImage(image);
  EXPECT_EQ(Text(Item(IDC_RECOVERY_PATH)), image);
  EXPECT_EQ(LogText(), L"") << "choosing a file writes nothing";

  ForgetCalls();
  Press(IDC_FLASH);
  const std::wstring lastLine = L"刷入成功!请耐心等待进入recovery模式.\r\n";
  EXPECT_TRUE(WaitUntil(
      [&] {
        const std::wstring log = LogText();
        return log.size() >= lastLine.size() && log.compare(log.size() - lastLine.size(), lastLine.size(), lastLine) == 0;
      },
      30s))
      << Narrow(LogText());

  const std::wstring quoted = L" " + QuoteArgument(image);
  const std::wstring flashOutput = FastbootSays(L" flash recovery" + quoted);
  const std::wstring bootOutput = FastbootSays(L" boot" + quoted);
  ASSERT_NE(flashOutput.find(L"OKAY"), std::wstring::npos) << Narrow(flashOutput);
  EXPECT_EQ(MaskStamps(LogText()), CONNECTED L"[T]设备已解锁!\r\n[T]小米手机正在刷入recovery...\r\n" + flashOutput +
                                       L"[T]正在刷入临时recovery...\r\n" + bootOutput +
                                       L"[T]刷入成功!请耐心等待进入recovery模式.\r\n");
  EXPECT_EQ(Text(Item(IDC_DEVICE_STATUS)), L"已连接");
  EXPECT_EQ(Text(Item(IDC_BL_STATUS)), L"已解锁");
  // The path reaches fastboot as one argument, spaces and Chinese included.
  EXPECT_EQ(Calls(), (std::vector<std::string>{kFbDevices, kXiaomiQuery, "fastboot\tflash\trecovery\t" + Narrow(image),
                                               "fastboot\tboot\t" + Narrow(image)}));
  EXPECT_FALSE(SaveScreenshot(m_main, L"main_after_xiaomi_flash").empty());

  // Cancelling a second choice keeps the path and writes nothing.
  const std::wstring log = LogText();
  ChooseImage(L"");
  EXPECT_EQ(Text(Item(IDC_RECOVERY_PATH)), image);
  EXPECT_EQ(LogText(), log);
}

// ---- Tool folder under a temp path with a space, or with Chinese ------------------------------

TEST_F(PhoneButtonsWine, ToolsRunFromATempPathWithSpacesOrChineseAndNothingElseStarts) {
  const struct {
    const wchar_t* user;   // the folder under which TEMP lies
    const wchar_t* decoy;  // where the path would end for a command line without quotes
  } cases[] = {{L"John Smith", L"John.exe"}, {L"用户 张三", L"用户.exe"}};
  UsePhone("fastboot-xiaomi-unlocked");
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.user));
    const std::wstring user = m_temp->Path() + L"\\" + c.user;
    const std::wstring temp = user + L"\\Temp";
    ASSERT_TRUE(::CreateDirectoryW(user.c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryW(temp.c_str(), nullptr));
    const std::wstring decoy = m_temp->Path() + L"\\" + c.decoy;
    ASSERT_TRUE(::CopyFileW(WindowsPath(VANTREL_DECOY_EXE).c_str(), decoy.c_str(), FALSE));
    ForgetCalls();

    Start(temp);
    for (const wchar_t* name : {L"adb.exe", L"fastboot.exe", L"AdbWinApi.dll", L"AdbWinUsbApi.dll"})
      EXPECT_TRUE(FileExists(ToolFolder() + L"\\" + name)) << Narrow(name);
    // adb finds nothing, so both tools run.
    Press(IDC_DETECT_DEVICE);
    EXPECT_TRUE(WaitUntil([&] { return MaskStamps(LogText()) == FASTBOOT_MODE; }, 20s)) << Narrow(LogText());
    EXPECT_EQ(Text(Item(IDC_DEVICE_STATUS)), L"已连接:fastboot模式");
    EXPECT_EQ(Calls(), (std::vector<std::string>{kAdbDevices, kFbDevices}));
    EXPECT_FALSE(FileExists(decoy + L".ran")) << "a command line started " << Narrow(decoy);
    Stop();
  }
}

// ---- A tool that never ends -------------------------------------------------------------------

TEST_F(PhoneButtonsWine, HangingFlashIsShownWhileItRunsAndEndingTheProgramEndsTheTool) {
  const std::wstring image = m_temp->Path() + L"\\r.img";
  ASSERT_TRUE(WriteBytes(image, std::string(2048, 'r')));
  // The check and the unlock query answer; the flash waits for ever.
  UsePhone(R"sc(on fastboot flash **
  err "< waiting for any device >\n"
  hang
include fastboot-xiaomi-unlocked
)sc");
  Start();
  ChooseImage(image);

  RECT logArea{};
  ::GetClientRect(Item(IDC_LOG), &logArea);
  ::MapWindowPoints(Item(IDC_LOG), nullptr, reinterpret_cast<POINT*>(&logArea), 2);
  RECT frame{};
  ::GetWindowRect(m_main, &frame);
  ::OffsetRect(&logArea, -frame.left, -frame.top);
  // The closed file dialog may still be on the screen for a moment.
  ASSERT_TRUE(WaitUntil([&] { return TextRows(Capture(m_main), logArea).empty(); }))
      << "the log box shows text before any press";

  ForgetCalls();
  Press(IDC_FLASH);
  // While fastboot hangs the window reads no messages, so what the screen shows was painted by
  // the pushes: the device line, the unlock line and the flashing line.
  const std::vector<std::string> callsUpToFlash = {kFbDevices, kXiaomiQuery,
                                                   "fastboot\tflash\trecovery\t" + Narrow(image)};
  std::vector<std::string> calls;
  std::vector<DWORD> tools;
  std::vector<TextRow> rows;
  const bool shown = WaitUntil(
      [&] {
        // The flash is in the call log before it hangs; the query before it has ended by then.
        calls = Calls();
        tools.clear();
        for (const ToolProcess& p : RunningTools())
          if (p.parent == m_program->Id()) tools.push_back(p.pid);
        rows = TextRows(Capture(m_main), logArea);
        return calls == callsUpToFlash && tools.size() == 1 && rows.size() == 3;
      },
      20s);
  SaveScreenshot(m_main, L"main_while_flash_hangs");
  ASSERT_TRUE(shown) << "calls: " << calls.size() << ", tool children: " << tools.size()
                     << ", text rows in the log box: " << rows.size();
  DWORD_PTR ignored = 0;
  EXPECT_FALSE(::SendMessageTimeoutW(m_main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 500, &ignored))
      << "the window answers messages while the tool runs";
  // "[stamp]小米手机正在刷入recovery..." is wider than "[stamp]设备状态:已连接", which is wider
  // than "[stamp]设备已解锁!".
  EXPECT_GT(rows[2].right, rows[0].right);
  EXPECT_GT(rows[0].right, rows[1].right);

  HANDLE tool = ::OpenProcess(SYNCHRONIZE, FALSE, tools[0]);
  ASSERT_NE(tool, nullptr);
  // Ended from outside, as from the Task Manager: only the program, not the test's job.
  HANDLE program = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, m_program->Id());
  ASSERT_NE(program, nullptr);
  ::TerminateProcess(program, 1);
  EXPECT_EQ(::WaitForSingleObject(program, 10000), WAIT_OBJECT_0);
  ::CloseHandle(program);
  EXPECT_EQ(::WaitForSingleObject(tool, 10000), WAIT_OBJECT_0) << "fastboot still runs after the program ended";
  ::CloseHandle(tool);
  m_program->Kill();
  for (const ToolProcess& p : RunningTools())
    ADD_FAILURE() << Narrow(p.name) << " " << p.pid << " (parent " << p.parent << ") still runs";
}

}  // namespace
