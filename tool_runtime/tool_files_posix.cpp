// Tool folder and tool files on POSIX: a folder private to this user, files written from the
// bytes embedded in the program, never into or through anything another user controls.
#include "tool_runtime/tool_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <string>

#include "res/resource.h"
#include "tool_runtime/embedded_resources.h"
#include "tool_runtime/utf8_stream.h"

namespace {

// The private folder made when the usual name was taken, per usual name.
struct FallbackFolder {
  std::string usual;
  std::string fallback;
};
FallbackFolder& Fallback() {
  static FallbackFolder folder;
  return folder;
}

std::string UserSuffix() { return "vantrelTool-" + std::to_string(geteuid()); }

std::string Parent(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// A real directory (not a link), ours, that nobody else may enter or change.
bool IsPrivateFolder(const std::string& path) {
  struct stat st{};
  if (lstat(path.c_str(), &st) != 0) return false;
  return S_ISDIR(st.st_mode) && st.st_uid == geteuid() && (st.st_mode & 077) == 0;
}

std::string UsualFolder() {
  const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
  if (runtimeDir != nullptr && runtimeDir[0] == '/') {
    struct stat st{};
    if (stat(runtimeDir, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid()) {
      return std::string(runtimeDir) + "/vantrelTool";
    }
  }
  const char* tmp = std::getenv("TMPDIR");
  std::string base = (tmp != nullptr && tmp[0] != '\0') ? tmp : "/tmp";
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  return (base == "/" ? "" : base) + "/" + UserSuffix();
}

// A fresh private folder beside `usual`, remembered for the rest of the process.
std::string MakeFallback(const std::string& usual) {
  FallbackFolder& known = Fallback();
  if (known.usual == usual && IsPrivateFolder(known.fallback)) return known.fallback;
  std::string name = Parent(usual) + "/" + UserSuffix() + "-XXXXXX";
  if (mkdtemp(name.data()) == nullptr) return {};
  known = {usual, name};
  return name;
}

}  // namespace

std::wstring ToolFolderPath() {
  const std::string usual = UsualFolder();
  const FallbackFolder& known = Fallback();
  if (known.usual == usual && !known.fallback.empty()) return Utf8ToWide(known.fallback);
  struct stat st{};
  if (lstat(usual.c_str(), &st) == 0 && !IsPrivateFolder(usual)) {
    const std::string fallback = MakeFallback(usual);
    if (!fallback.empty()) return Utf8ToWide(fallback);
  }
  return Utf8ToWide(usual);
}

bool EnsureToolFolder(const std::wstring& path) {
  const std::string folder = WideToUtf8(path);
  if (mkdir(folder.c_str(), 0700) == 0) {
    chmod(folder.c_str(), 0700);  // whatever the umask took away, the owner needs all three
  } else if (errno != EEXIST) {
    return false;
  }
  if (IsPrivateFolder(folder)) return true;
  // Someone else's, or open to others: use a folder of our own instead.
  return !MakeFallback(folder).empty();
}

std::wstring ToolFilePath(const std::wstring& folder, ToolFile which) {
  switch (which) {
    case kFastboot: return folder + L"/fastboot";
    case kAdb: return folder + L"/adb";
    case kAdbWinApi: return folder + L"/AdbWinApi.dll";
    case kAdbWinUsbApi: return folder + L"/AdbWinUsbApi.dll";
  }
  return folder;
}

int ExtractToolResource(const std::wstring& filePath, unsigned short id, const std::wstring& type) {
  const std::string path = WideToUtf8(filePath);
  if (!IsPrivateFolder(Parent(path))) return 0;
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0700);
  if (fd < 0) return 0;  // e.g. ETXTBSY: the old program is running and keeps its content
  const EmbeddedResource* resource = FindEmbeddedResource(id, type);
  if (resource == nullptr || resource->size == 0) {
    close(fd);
    return 0;
  }
  bool ok = fchmod(fd, 0700) == 0;  // a file that was already there gets its run bit too
  std::size_t done = 0;
  while (ok && done < resource->size) {
    const ssize_t n = write(fd, resource->data + done, resource->size - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (!(n < 0 && errno == EINTR)) {
      ok = false;
    }
  }
  if (close(fd) != 0) ok = false;
  if (!ok) {
    unlink(path.c_str());
    return 0;
  }
  return 1;
}

std::span<const ToolFileEntry> DeployedToolFiles() {
  static constexpr std::array<ToolFileEntry, 2> kFiles = {{
      {kFastboot, IDR_FASTBOOT, L"EXE"},
      {kAdb, IDR_ADB, L"EXE"},
  }};
  return kFiles;
}
