// The simulated phone's system services on Windows (and Wine), and its entry point.
#include <windows.h>

#include <cstdio>
#include <iterator>
#include <memory>

#include "testing/phone/sim_os.h"

namespace phone::os {
namespace {

struct HandleCloser {
  void operator()(HANDLE h) const {
    if (h && h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

std::wstring Widen(std::string_view text) {
  if (text.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

std::string Narrow(std::wstring_view text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string narrow(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(), n,
                      nullptr, nullptr);
  return narrow;
}

bool WriteAll(HANDLE h, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    DWORD chunk = static_cast<DWORD>(bytes.size() > 0x10000 ? 0x10000 : bytes.size());
    if (!::WriteFile(h, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

bool WriteFileWith(const std::string& path, DWORD access, DWORD disposition,
                   std::string_view contents) {
  UniqueHandle file(CreateFileW(Widen(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) return false;
  return WriteAll(file.get(), contents);
}

}  // namespace

std::optional<std::string> GetEnv(const char* name) {
  std::wstring wide_name = Widen(name);
  DWORD n = GetEnvironmentVariableW(wide_name.c_str(), nullptr, 0);
  if (n == 0) return std::nullopt;
  std::wstring value(n, L'\0');
  n = GetEnvironmentVariableW(wide_name.c_str(), value.data(), n);
  value.resize(n);
  return Narrow(value);
}

std::string PathFromEnvironment(const std::string& path) {
  // Tests on Linux hand Unix paths to programs under Wine; Wine can name them for Windows.
  if (path.empty() || path[0] != '/') return path;
  using DosName = WCHAR*(CDECL*)(const char*);
  auto to_dos = reinterpret_cast<DosName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
  if (!to_dos) return path;
  WCHAR* dos = to_dos(path.c_str());
  if (!dos) return path;
  std::string result = Narrow(dos);
  HeapFree(GetProcessHeap(), 0, dos);
  return result;
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
  UniqueHandle file(CreateFileW(Widen(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string text;
  char buffer[4096];
  DWORD got = 0;
  while (::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
    text.append(buffer, got);
  }
  return text;
}

bool WriteWholeFile(const std::string& path, std::string_view contents) {
  return WriteFileWith(path, GENERIC_WRITE, CREATE_ALWAYS, contents);
}

bool AppendToFile(const std::string& path, std::string_view contents) {
  // Append-only access: each call's line lands whole at the end even if two calls overlap.
  return WriteFileWith(path, FILE_APPEND_DATA, OPEN_ALWAYS, contents);
}

std::optional<std::uint64_t> RegularFileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return std::nullopt;
  }
  return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

void Write(Stream stream, std::string_view bytes) {
  // Straight to the handle: no C runtime text mode turning "\n" into "\r\n" behind our back.
  WriteAll(GetStdHandle(stream == Stream::Out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE), bytes);
}

void SleepSeconds(double seconds) {
  double left_ms = seconds * 1000.0;
  while (left_ms > 0) {
    DWORD step = left_ms > 60000.0 ? 60000 : static_cast<DWORD>(left_ms);
    Sleep(step ? step : 1);
    left_ms -= step ? step : 1;
  }
}

bool StartServer(double seconds) {
  wchar_t self[MAX_PATH * 4];
  DWORD n = GetModuleFileNameW(nullptr, self, static_cast<DWORD>(std::size(self)));
  if (n == 0 || n >= std::size(self)) return false;
  wchar_t duration[32];
  std::swprintf(duration, std::size(duration), L"%.3f", seconds);
  std::wstring command = L"\"" + std::wstring(self, n) + L"\" --vantrel-phone-server " + duration;

  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  // adb's server inherits the client's handles; so does ours, stdout and stderr among them.
  for (HANDLE h : {out, err}) {
    if (h && h != INVALID_HANDLE_VALUE) SetHandleInformation(h, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
  }
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  si.hStdOutput = out;
  si.hStdError = err;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                      &pi)) {
    return false;
  }
  UniqueHandle process(pi.hProcess);
  UniqueHandle thread(pi.hThread);
  return true;
}

}  // namespace phone::os

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(phone::os::Narrow(argv[i]));
  return phone::SimMain(args);
}
