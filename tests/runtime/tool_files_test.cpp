// Tests of the tool-file layer shared by both platforms: the deployment table, tool paths and
// writing the embedded files.
#include "tool_runtime/tool_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "embedded_tool_sources.h"
#include "res/resource.h"
#include "tool_runtime/utf8_stream.h"

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A fresh folder that only we may use (the POSIX layer writes nowhere else).
class ToolFilesTest : public testing::Test {
 protected:
  void SetUp() override {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    folder_ = fs::temp_directory_path() /
              (std::string("vantrel-files-") + info->name());
    fs::remove_all(folder_);
    fs::create_directory(folder_);
    fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::replace);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
  fs::path folder_;
};

TEST(DeployedToolFiles, FastbootFirstThenAdb) {
  const auto files = DeployedToolFiles();
  ASSERT_GE(files.size(), 2u);
  EXPECT_EQ(files[0].file, kFastboot);
  EXPECT_EQ(files[0].id, IDR_FASTBOOT);
  EXPECT_STREQ(files[0].type, L"EXE");
  EXPECT_EQ(files[1].file, kAdb);
  EXPECT_EQ(files[1].id, IDR_ADB);
  EXPECT_STREQ(files[1].type, L"EXE");
  if (files.size() == 4) {
    EXPECT_EQ(files[2].file, kAdbWinApi);
    EXPECT_EQ(files[2].id, IDR_ADBWINAPI);
    EXPECT_STREQ(files[2].type, L"DLL");
    EXPECT_EQ(files[3].file, kAdbWinUsbApi);
    EXPECT_EQ(files[3].id, IDR_ADBWINUSBAPI);
    EXPECT_STREQ(files[3].type, L"DLL");
  } else {
    EXPECT_EQ(files.size(), 2u);
  }
}

TEST(ToolFilePath, NamesTheFileInsideTheFolder) {
  for (const auto& entry : DeployedToolFiles()) {
    const fs::path path(ToolFilePath(L"base", entry.file));
    EXPECT_EQ(path.parent_path(), fs::path(L"base"));
    const std::wstring name = path.filename().wstring();
    EXPECT_TRUE(name.starts_with(entry.file == kFastboot ? L"fastboot"
                                 : entry.file == kAdb     ? L"adb"
                                 : entry.file == kAdbWinApi ? L"AdbWinApi.dll"
                                                            : L"AdbWinUsbApi.dll"))
        << name;
  }
}

// Every embedded tool comes out byte for byte as the file it was made from.
TEST_F(ToolFilesTest, WritesTheEmbeddedBytesExactly) {
  int embedded = 0;
  for (const auto& source : kEmbeddedToolSources) {
    if (source.path == nullptr) break;
    ++embedded;
    const fs::path target = folder_ / ("tool-" + std::to_string(source.id));
    const std::string expected = ReadAll(fs::path(Utf8ToWide(source.path)));
    ASSERT_FALSE(expected.empty()) << source.path;
    EXPECT_EQ(ExtractToolResource(target.wstring(), source.id, source.type), 1);
    EXPECT_TRUE(ReadAll(target) == expected) << "content differs for " << source.id;
    // Written again over the first copy: the same bytes, nothing appended.
    EXPECT_EQ(ExtractToolResource(target.wstring(), source.id, source.type), 1);
    EXPECT_EQ(fs::file_size(target), expected.size());
  }
  if (embedded == 0) GTEST_SKIP() << "this build embeds no tool files yet";
}

TEST_F(ToolFilesTest, MissingResourceLeavesAnEmptyFile) {
  const fs::path target = folder_ / "missing";
  {
    std::ofstream(target, std::ios::binary) << "old content";
  }
  EXPECT_EQ(ExtractToolResource(target.wstring(), 999, L"EXE"), 0);
  ASSERT_TRUE(fs::exists(target));
  EXPECT_EQ(fs::file_size(target), 0u);
  // The right id under the wrong type is just as missing.
  EXPECT_EQ(ExtractToolResource(target.wstring(), IDR_ADB, L"DLL"), 0);
}

TEST_F(ToolFilesTest, FileInAMissingFolderIsNotWritten) {
  const fs::path target = folder_ / "no such folder" / "adb";
  EXPECT_EQ(ExtractToolResource(target.wstring(), IDR_ADB, L"EXE"), 0);
  EXPECT_FALSE(fs::exists(target.parent_path()));
}

TEST_F(ToolFilesTest, EnsureToolFolderMakesAMissingFolderOnce) {
  const fs::path made = folder_ / "vantrelTool";
  EXPECT_TRUE(EnsureToolFolder(made.wstring()));
  EXPECT_TRUE(fs::is_directory(made));
  EXPECT_TRUE(EnsureToolFolder(made.wstring()));  // already there
  EXPECT_FALSE(EnsureToolFolder((folder_ / "missing parent" / "vantrelTool").wstring()));
}

}  // namespace
