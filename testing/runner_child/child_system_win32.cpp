// The test child's system calls on Windows.
#include <windows.h>
#include <shellapi.h>

#include "testing/runner_child/child_system.h"
#include "tool_runtime/command_line.h"

namespace child {
namespace {

std::string ToUtf8(const wchar_t* text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(size > 0 ? size - 1 : 0, '\0');
  if (size > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
  return out;
}

std::wstring ToWide(const std::string& text) {
  const int size = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
  std::wstring out(size > 0 ? size - 1 : 0, L'\0');
  if (size > 1) MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, out.data(), size);
  return out;
}


}  // namespace

// The system's own parser reads the line the runner built, so quoting is checked end to end.
std::vector<std::string> Arguments(int, char**) {
  std::vector<std::string> args;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return args;
  for (int i = 0; i < count; ++i) args.push_back(ToUtf8(wide[i]));
  LocalFree(wide);
  return args;
}

void Write(int stream, std::string_view bytes) {
  HANDLE out = GetStdHandle(stream == 2 ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  while (!bytes.empty()) {
    DWORD written = 0;
    if (!WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written == 0) {
      Exit(122);
    }
    bytes.remove_prefix(written);
  }
}

long ProcessId() { return static_cast<long>(GetCurrentProcessId()); }

long Spawn(const std::vector<std::string>& args) {
  wchar_t self[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return -1;
  std::wstring line = QuoteArgument(self);
  for (const auto& arg : args) line += L" " + QuoteArgument(ToWide(arg));
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &info)) {
    return -1;
  }
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return static_cast<long>(info.dwProcessId);
}

bool Kill(long pid) {
  HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(pid));
  if (process == nullptr) return false;
  const BOOL ok = TerminateProcess(process, 1);
  CloseHandle(process);
  return ok != FALSE;
}

bool WaitGone(long pid, unsigned ms) {
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
  if (process == nullptr) return true;  // no such process any more
  const bool gone = WaitForSingleObject(process, ms) == WAIT_OBJECT_0;
  CloseHandle(process);
  return gone;
}

std::vector<std::string> OpenDescriptors() { return {}; }

void Exit(int code) { ExitProcess(static_cast<UINT>(code)); }

}  // namespace child
