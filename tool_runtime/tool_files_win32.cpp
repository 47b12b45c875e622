// Tool folder and tool files on Windows: %TEMP%\vantrelTool, files written from resources.
#include <windows.h>
#include <shlwapi.h>

#include <array>

#include "res/resource.h"
#include "tool_runtime/tool_files.h"

namespace {

class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle() { Close(); }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }
  void Close() {
    if (valid()) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE handle_;
};

}  // namespace

std::wstring ToolFolderPath() {
  wchar_t temp[512];
  const DWORD length = GetTempPathW(512, temp);
  std::wstring folder = (length > 0 && length < 512) ? std::wstring(temp, length) : std::wstring();
  return folder + L"vantrelTool";
}

bool EnsureToolFolder(const std::wstring& path) {
  if (PathFileExistsW(path.c_str())) return true;
  return CreateDirectoryW(path.c_str(), nullptr) != FALSE;
}

std::wstring ToolFilePath(const std::wstring& folder, ToolFile which) {
  switch (which) {
    case kFastboot: return folder + L"\\fastboot.exe";
    case kAdb: return folder + L"\\adb.exe";
    case kAdbWinApi: return folder + L"\\AdbWinApi.dll";
    case kAdbWinUsbApi: return folder + L"\\AdbWinUsbApi.dll";
  }
  return folder;
}

int ExtractToolResource(const std::wstring& filePath, unsigned short id, const std::wstring& type) {
  FileHandle file(CreateFileW(filePath.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return 0;  // a file held by a running tool keeps its content
  HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), type.c_str());
  if (found == nullptr) return 0;
  HGLOBAL loaded = LoadResource(nullptr, found);
  const DWORD size = SizeofResource(nullptr, found);
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes == nullptr || size == 0) return 0;
  DWORD written = 0;
  const BOOL ok = WriteFile(file.get(), bytes, size, &written, nullptr);
  file.Close();
  if (!ok || written != size) {
    DeleteFileW(filePath.c_str());  // a truncated program must not be run later
    return 0;
  }
  return 1;
}

std::span<const ToolFileEntry> DeployedToolFiles() {
  static constexpr std::array<ToolFileEntry, 4> kFiles = {{
      {kFastboot, IDR_FASTBOOT, L"EXE"},
      {kAdb, IDR_ADB, L"EXE"},
      {kAdbWinApi, IDR_ADBWINAPI, L"DLL"},
      {kAdbWinUsbApi, IDR_ADBWINUSBAPI, L"DLL"},
  }};
  return kFiles;
}
