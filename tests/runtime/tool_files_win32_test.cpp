// Windows tool folder and files: %TEMP%\vantrelTool, files held open by another program.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "res/resource.h"
#include "tool_runtime/tool_files.h"

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class TempPathOverride {
 public:
  explicit TempPathOverride(const std::wstring& folder) {
    SetEnvironmentVariableW(L"TMP", folder.c_str());
    SetEnvironmentVariableW(L"TEMP", folder.c_str());
  }
  ~TempPathOverride() {
    SetEnvironmentVariableW(L"TMP", saved_tmp_.empty() ? nullptr : saved_tmp_.c_str());
    SetEnvironmentVariableW(L"TEMP", saved_temp_.empty() ? nullptr : saved_temp_.c_str());
  }

 private:
  static std::wstring Get(const wchar_t* name) {
    wchar_t value[1024];
    const DWORD n = GetEnvironmentVariableW(name, value, 1024);
    return n > 0 && n < 1024 ? std::wstring(value, n) : std::wstring();
  }
  std::wstring saved_tmp_ = Get(L"TMP");
  std::wstring saved_temp_ = Get(L"TEMP");
};

TEST(ToolFolderWin32, IsTheTempPathFollowedByVantrelTool) {
  const fs::path base = fs::temp_directory_path() / L"vantrel temp x y";
  fs::create_directories(base);
  TempPathOverride temp(base.wstring());
  wchar_t expected[512];
  ASSERT_GT(GetTempPathW(512, expected), 0u);
  EXPECT_EQ(ToolFolderPath(), std::wstring(expected) + L"vantrelTool");
  EXPECT_TRUE(EnsureToolFolder(ToolFolderPath()));
  EXPECT_TRUE(fs::is_directory(ToolFolderPath()));
  EXPECT_EQ(ToolFilePath(ToolFolderPath(), kAdb), ToolFolderPath() + L"\\adb.exe");
  fs::remove_all(base);
}

TEST(ToolFolderWin32, PlainFileCountsAsPresent) {
  const fs::path file = fs::temp_directory_path() / L"vantrel-plain-file";
  std::ofstream(file) << "x";
  EXPECT_TRUE(EnsureToolFolder(file.wstring()));
  EXPECT_FALSE(fs::is_directory(file));
  fs::remove(file);
}

// A tool file that a running program holds open without sharing keeps its content.
TEST(ExtractToolResourceWin32, FileHeldOpenKeepsItsContent) {
  const fs::path file = fs::temp_directory_path() / L"vantrel-held adb.exe";
  std::ofstream(file, std::ios::binary) << "old program";
  HANDLE held = CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(ExtractToolResource(file.wstring(), IDR_ADB, L"EXE"), 0);
  CloseHandle(held);
  EXPECT_EQ(ReadAll(file), "old program");
  fs::remove(file);
}

// The resources are stored under Chinese (PRC) and still found from any user language.
TEST(ExtractToolResourceWin32, ResourcesAreChinesePrc) {
  for (const auto& entry : DeployedToolFiles()) {
    HRSRC found = FindResourceExW(nullptr, entry.type, MAKEINTRESOURCEW(entry.id),
                                  MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED));
    HRSRC any = FindResourceW(nullptr, MAKEINTRESOURCEW(entry.id), entry.type);
    if (any == nullptr) GTEST_SKIP() << "this build embeds no tool files yet";
    EXPECT_NE(found, nullptr) << entry.id;
  }
}

}  // namespace
