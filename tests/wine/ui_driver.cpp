// The Wine UI driver: processes in a job, windows by class and caption, SendInput, screen captures.
#include "tests/wine/ui_driver.h"

#include "tests/wine/menu_reader.h"

#include <algorithm>
#include <atomic>
#include <cwctype>
#include <filesystem>
#include <thread>

namespace wineui {

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(15ms);
  }
}

std::wstring WindowsPath(const std::string& path) {
  std::wstring wide;
  if (const int n = ::MultiByteToWideChar(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), nullptr, 0); n > 0) {
    wide.resize(static_cast<std::size_t>(n));
    ::MultiByteToWideChar(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), wide.data(), n);
  }
  if (wide.empty() || wide[0] != L'/') return wide;
  std::replace(wide.begin(), wide.end(), L'/', L'\\');
  return L"Z:" + wide;
}

// ---- Processes ------------------------------------------------------------------------------

namespace {

std::wstring Upper(std::wstring s) {
  for (auto& c : s) c = static_cast<wchar_t>(std::towupper(c));
  return s;
}

// The caller's environment with `overrides` put in; names compare without case, as Windows does.
std::vector<wchar_t> EnvironmentBlock(const std::map<std::wstring, std::wstring>& overrides) {
  std::map<std::wstring, std::wstring> entries;  // upper-case name -> "Name=value"
  if (wchar_t* block = ::GetEnvironmentStringsW()) {
    for (const wchar_t* p = block; *p; p += std::wcslen(p) + 1) {
      std::wstring entry = p;
      const auto eq = entry.find(L'=', 1);  // names like "=C:" begin with '='
      if (eq == std::wstring::npos) continue;
      entries[Upper(entry.substr(0, eq))] = entry;
    }
    ::FreeEnvironmentStringsW(block);
  }
  for (const auto& [name, value] : overrides) entries[Upper(name)] = name + L"=" + value;
  std::vector<wchar_t> out;
  for (const auto& [key, entry] : entries) {
    out.insert(out.end(), entry.begin(), entry.end());
    out.push_back(L'\0');
  }
  out.push_back(L'\0');
  return out;
}

// The program and whatever it starts go into a job of their own, so that ending the job ends
// them all (a simulated fastboot may be waiting for ever).
HANDLE NewKillJob() {
  HANDLE job = ::CreateJobObjectW(nullptr, nullptr);
  if (job) {
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    ::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
  }
  return job;
}

}  // namespace

std::unique_ptr<Program> Program::Start(const std::wstring& exe, const std::map<std::wstring, std::wstring>& env,
                                        std::wstring* error) {
  std::vector<wchar_t> block = EnvironmentBlock(env);
  std::wstring commandLine = L"\"" + exe + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        CREATE_UNICODE_ENVIRONMENT | CREATE_SUSPENDED, block.data(), nullptr, &si, &pi)) {
    if (error) *error = L"CreateProcessW failed for " + exe + L": error " + std::to_wstring(::GetLastError());
    return nullptr;
  }
  std::unique_ptr<Program> program(new Program);
  program->m_job = NewKillJob();
  if (program->m_job) ::AssignProcessToJobObject(program->m_job, pi.hProcess);
  ::ResumeThread(pi.hThread);
  ::CloseHandle(pi.hThread);
  program->m_process = pi.hProcess;
  program->m_pid = pi.dwProcessId;
  return program;
}

Program::~Program() {
  Kill();
  ::CloseHandle(m_process);
  if (m_job) ::CloseHandle(m_job);
}

bool Program::Running() const { return ::WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT; }

void Program::Kill() {
  if (Running()) {
    ::TerminateProcess(m_process, 1);
    ::WaitForSingleObject(m_process, 10000);
  }
  // Whatever the program started (a tool still running) goes with it.
  if (m_job) ::TerminateJobObject(m_job, 1);
}

bool Program::WaitForIdle(std::chrono::milliseconds limit) const {
  return ::WaitForInputIdle(m_process, static_cast<DWORD>(limit.count())) == 0;
}

bool Program::WaitForExit(std::chrono::milliseconds limit, DWORD* exitCode) const {
  if (::WaitForSingleObject(m_process, static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) return false;
  if (exitCode) ::GetExitCodeProcess(m_process, exitCode);
  return true;
}

HWND Program::WaitForWindow(const wchar_t* className, const wchar_t* caption, std::chrono::milliseconds limit) const {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        auto windows = TopWindows(m_pid, className, caption);
        found = windows.empty() ? nullptr : windows.front();
        return found != nullptr || !Running();
      },
      limit);
  return found;
}

HWND Program::WaitForOtherWindow(HWND except, std::chrono::milliseconds limit) const {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        for (HWND w : TopWindows(m_pid))
          if (w != except) found = w;
        return found != nullptr;
      },
      limit);
  return found;
}

// ---- Windows --------------------------------------------------------------------------------

namespace {
struct TopWindowQuery {
  DWORD pid;
  const wchar_t* className;
  const wchar_t* caption;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTopWindow(HWND w, LPARAM lp) {
  auto* q = reinterpret_cast<TopWindowQuery*>(lp);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(w, &owner);
  if (owner != q->pid || !::IsWindowVisible(w)) return TRUE;
  if (q->className && ClassOf(w) != q->className) return TRUE;
  if (q->caption && Text(w) != q->caption) return TRUE;
  q->found.push_back(w);
  return TRUE;
}
}  // namespace

std::vector<HWND> TopWindows(DWORD pid, const wchar_t* className, const wchar_t* caption) {
  TopWindowQuery query{pid, className, caption, {}};
  ::EnumWindows(CollectTopWindow, reinterpret_cast<LPARAM>(&query));
  return query.found;
}

std::wstring Text(HWND hwnd) {
  DWORD_PTR length = 0;
  if (!::SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) return L"<no answer>";
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  DWORD_PTR copied = 0;
  ::SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 5000,
                        &copied);
  text.resize(static_cast<std::size_t>(copied));
  return text;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[256] = {};
  ::GetClassNameW(hwnd, name, 256);
  return name;
}

DWORD Style(HWND hwnd) { return static_cast<DWORD>(::GetWindowLongW(hwnd, GWL_STYLE)); }
DWORD ExStyle(HWND hwnd) { return static_cast<DWORD>(::GetWindowLongW(hwnd, GWL_EXSTYLE)); }

RECT RectIn(HWND control, HWND dialog) {
  RECT r{};
  ::GetWindowRect(control, &r);
  ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

RECT DialogUnitsToPixels(HWND dialog, int x, int y, int width, int height) {
  // The dialog manager converts position and size apart, so the right edge is the converted x
  // plus the converted width, which may differ by one from the converted x + width.
  RECT r{x, y, width, height};
  ::MapDialogRect(dialog, &r);
  return RECT{r.left, r.top, r.left + r.right, r.top + r.bottom};
}

namespace {
INT_PTR CALLBACK QuietDialogProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }
}  // namespace

HiddenDialog::HiddenDialog(int templateId)
    : m_window(::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), nullptr, QuietDialogProc,
                                    0)) {}

HiddenDialog::~HiddenDialog() {
  if (m_window) ::DestroyWindow(m_window);
}

std::vector<HWND> Children(HWND dialog) {
  std::vector<HWND> out;
  for (HWND c = ::GetWindow(dialog, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) out.push_back(c);
  return out;
}

std::vector<std::wstring> ComboItems(HWND combo) {
  std::vector<std::wstring> items;
  const LRESULT count = ::SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = ::SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
    std::wstring item(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
    // Cross-process CB_GETLBTEXT is marshalled by the system like WM_GETTEXT.
    const LRESULT copied = ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item.data()));
    item.resize(static_cast<std::size_t>(std::max<LRESULT>(copied, 0)));
    items.push_back(item);
  }
  return items;
}

// ---- Input ----------------------------------------------------------------------------------

bool BringToFront(HWND window) {
  ::SetForegroundWindow(window);
  return WaitUntil([&] { return ::GetForegroundWindow() == window; }, 3s);
}

namespace {
INPUT Key(WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return in;
}

INPUT Mouse(DWORD flags, POINT screen) {
  const int w = ::GetSystemMetrics(SM_CXSCREEN);
  const int h = ::GetSystemMetrics(SM_CYSCREEN);
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dx = static_cast<LONG>((screen.x * 65535LL + (w - 1) / 2) / std::max(w - 1, 1));
  in.mi.dy = static_cast<LONG>((screen.y * 65535LL + (h - 1) / 2) / std::max(h - 1, 1));
  in.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
  return in;
}

void Send(std::vector<INPUT> inputs) {
  ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}
}  // namespace

void PressKey(WORD vk, bool alt) {
  std::vector<INPUT> in;
  if (alt) in.push_back(Key(VK_MENU, false));
  in.push_back(Key(vk, false));
  in.push_back(Key(vk, true));
  if (alt) in.push_back(Key(VK_MENU, true));
  Send(in);
}

void TypeText(const std::wstring& text) {
  std::vector<INPUT> in;
  for (wchar_t c : text) {
    for (bool up : {false, true}) {
      INPUT key{};
      key.type = INPUT_KEYBOARD;
      key.ki.wScan = c;
      key.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
      in.push_back(key);
    }
  }
  Send(in);
}

void MoveTo(POINT screen) { Send({Mouse(0, screen)}); }

void ClickAt(POINT screen) {
  Send({Mouse(0, screen)});
  Send({Mouse(MOUSEEVENTF_LEFTDOWN, screen), Mouse(MOUSEEVENTF_LEFTUP, screen)});
}

POINT CentreOf(HWND window) {
  RECT r{};
  ::GetWindowRect(window, &r);
  return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

void Click(HWND window) { ClickAt(CentreOf(window)); }

// ---- Menus ----------------------------------------------------------------------------------

namespace {
// Entries from DescribeSystemMenu's lines.
std::vector<MenuEntry> ParseMenu(const std::wstring& text) {
  std::vector<MenuEntry> entries;
  for (std::size_t start = 0, end; (end = text.find(L'\n', start)) != std::wstring::npos; start = end + 1) {
    const std::wstring line = text.substr(start, end - start);
    const auto tab1 = line.find(L'\t');
    const auto tab2 = tab1 == std::wstring::npos ? tab1 : line.find(L'\t', tab1 + 1);
    if (tab2 == std::wstring::npos) continue;
    entries.push_back(MenuEntry{static_cast<UINT>(std::stoul(line.substr(0, tab1))),
                                line.substr(tab1 + 1, tab2 - tab1 - 1) == L"1", line.substr(tab2 + 1)});
  }
  return entries;
}
}  // namespace

std::vector<MenuEntry> SystemMenu(HWND window) { return ParseMenu(DescribeSystemMenu(window)); }

std::vector<MenuEntry> SystemMenuOfOtherProcess(HWND window, const std::wstring& readerDll) {
  std::vector<MenuEntry> entries;
  DWORD pid = 0;
  const DWORD thread = ::GetWindowThreadProcessId(window, &pid);
  const std::wstring name = VANTREL_MENU_READER_MEMORY + std::to_wstring(pid);
  HANDLE mapping = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, VANTREL_MENU_READER_BYTES,
                                        name.c_str());
  if (!mapping) return entries;
  auto* view = static_cast<wchar_t*>(::MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, VANTREL_MENU_READER_BYTES));
  HMODULE dll = ::LoadLibraryW(readerDll.c_str());
  auto hookProc = dll ? reinterpret_cast<HOOKPROC>(
                            reinterpret_cast<void*>(::GetProcAddress(dll, VANTREL_MENU_READER_HOOK)))
                      : nullptr;
  HHOOK hook = view && hookProc ? ::SetWindowsHookExW(WH_CALLWNDPROC, hookProc, dll, thread) : nullptr;
  if (hook) {
    view[0] = L'\0';
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutW(window, ::RegisterWindowMessageW(VANTREL_MENU_READER_MESSAGE), 0, 0, SMTO_ABORTIFHUNG,
                          5000, &ignored);
    ::UnhookWindowsHookEx(hook);
    entries = ParseMenu(view);
  }
  if (dll) ::FreeLibrary(dll);
  if (view) ::UnmapViewOfFile(view);
  ::CloseHandle(mapping);
  return entries;
}

// ---- Screen captures ------------------------------------------------------------------------

int Shot::Count(const RECT& r, const std::function<bool(std::uint32_t)>& match) const {
  int n = 0;
  for (int y = std::max<LONG>(r.top, 0); y < std::min<LONG>(r.bottom, height); ++y)
    for (int x = std::max<LONG>(r.left, 0); x < std::min<LONG>(r.right, width); ++x)
      if (match(At(x, y))) ++n;
  return n;
}

bool Shot::SaveBmp(const std::wstring& path) const {
  if (width <= 0 || height <= 0) return false;
  const int stride = (width * 3 + 3) & ~3;
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;  // bottom row first
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  info.biSizeImage = static_cast<DWORD>(stride * height);
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + info.biSizeImage;
  std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
  bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
  std::vector<char> row(static_cast<std::size_t>(stride), 0);
  for (int y = height - 1; y >= 0; --y) {
    for (int x = 0; x < width; ++x) {
      const std::uint32_t p = At(x, y);
      row[static_cast<std::size_t>(x) * 3 + 0] = static_cast<char>(Blue(p));
      row[static_cast<std::size_t>(x) * 3 + 1] = static_cast<char>(Green(p));
      row[static_cast<std::size_t>(x) * 3 + 2] = static_cast<char>(Red(p));
    }
    bytes.append(row.data(), row.size());
  }
  return WriteBytes(path, bytes);
}

Shot Capture(HWND window) {
  Shot shot;
  RECT r{};
  if (!::GetWindowRect(window, &r)) return shot;
  shot.width = r.right - r.left;
  shot.height = r.bottom - r.top;
  if (shot.width <= 0 || shot.height <= 0) return Shot{};

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = shot.width;
  info.bmiHeader.biHeight = -shot.height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (memory && bitmap) {
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, shot.width, shot.height, screen, r.left, r.top, SRCCOPY);
    ::GdiFlush();
    const auto* px = static_cast<const std::uint32_t*>(bits);
    shot.pixels.assign(px, px + static_cast<std::size_t>(shot.width) * shot.height);
    for (auto& p : shot.pixels) p &= 0x00FFFFFF;
    ::SelectObject(memory, old);
  }
  if (bitmap) ::DeleteObject(bitmap);
  if (memory) ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  if (shot.pixels.empty()) return Shot{};
  return shot;
}

std::wstring SaveScreenshot(HWND window, const std::wstring& name) {
  const std::wstring folder = WindowsPath(VANTREL_SCREENSHOT_DIR);
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(folder), ec);
  const std::wstring path = folder + L"\\" + name + L".bmp";
  return Capture(window).SaveBmp(path) ? path : std::wstring();
}

// ---- Files ----------------------------------------------------------------------------------

TempFolder::TempFolder(const std::wstring& tag) {
  static std::atomic<int> counter{0};
  wchar_t base[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH + 1, base);
  m_path = std::wstring(base) + L"vantrel-" + tag + L"-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
           std::to_wstring(counter++);
  std::error_code ec;
  std::filesystem::remove_all(std::filesystem::path(m_path), ec);
  std::filesystem::create_directories(std::filesystem::path(m_path), ec);
}

TempFolder::~TempFolder() {
  std::error_code ec;
  std::filesystem::remove_all(std::filesystem::path(m_path), ec);
}

bool FileExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The streams of the C++ library open files through the ANSI code page, which cannot name
// every path; the W calls can.
bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                  written == bytes.size();
  ::CloseHandle(file);
  return ok;
}

std::string ReadBytes(const std::wstring& path) {
  std::string bytes;
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  char buffer[65536];
  DWORD got = 0;
  while (::ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  ::CloseHandle(file);
  return bytes;
}

}  // namespace wineui
