// POSIX tool folder: private to the user, never one that someone else made or can change.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "embedded_tool_sources.h"
#include "res/resource.h"
#include "tests/runtime/runner_child_path.h"
#include "tool_runtime/run_tool_command.h"
#include "tool_runtime/tool_files.h"
#include "tool_runtime/utf8_stream.h"

namespace fs = std::filesystem;

namespace {

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value != nullptr) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

mode_t ModeOf(const fs::path& path) {
  struct stat st{};
  EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
  return st.st_mode;
}

const std::string kUser = "vantrelTool-" + std::to_string(geteuid());

// A temporary base folder standing in for /tmp; XDG_RUNTIME_DIR is unset unless a test sets it.
class ToolFolderPosix : public testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/vantrel-base-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    base_ = name;
    chmod(base_.c_str(), 0777);  // shared like /tmp
    tmpdir_.emplace("TMPDIR", base_.c_str());
    xdg_.emplace("XDG_RUNTIME_DIR", nullptr);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(base_, ignored);
  }
  std::string Path() { return WideToUtf8(ToolFolderPath()); }

  fs::path base_;
  std::optional<ScopedEnv> tmpdir_;
  std::optional<ScopedEnv> xdg_;
};

TEST_F(ToolFolderPosix, UsualFolderIsMadePrivate) {
  const std::string path = Path();
  EXPECT_EQ(path, (base_ / kUser).string());
  const mode_t oldMask = umask(022);
  EXPECT_TRUE(EnsureToolFolder(Utf8ToWide(path)));
  umask(oldMask);
  EXPECT_TRUE(S_ISDIR(ModeOf(path)));
  EXPECT_EQ(ModeOf(path) & 0777, 0700u);
  EXPECT_EQ(Path(), path);
  EXPECT_TRUE(EnsureToolFolder(Utf8ToWide(path)));  // present and ours: fine as it is
}

TEST_F(ToolFolderPosix, RuntimeDirectoryIsPreferred) {
  const fs::path runtime = base_ / "runtime";
  fs::create_directory(runtime);
  fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
  ScopedEnv xdg("XDG_RUNTIME_DIR", runtime.c_str());
  EXPECT_EQ(Path(), (runtime / "vantrelTool").string());
  // A runtime directory that is not a directory is ignored.
  ScopedEnv bogus("XDG_RUNTIME_DIR", (base_ / "nothing here").c_str());
  EXPECT_EQ(Path(), (base_ / kUser).string());
}

// Someone else got there first: a link to elsewhere, a folder others may write, a plain file.
struct TakenCase {
  const char* name;
  void (*plant)(const fs::path& usual, const fs::path& elsewhere);
};

class ToolFolderTaken : public ToolFolderPosix, public testing::WithParamInterface<TakenCase> {};

TEST_P(ToolFolderTaken, FallsBackToAFreshPrivateFolder) {
  const fs::path usual = base_ / kUser;
  const fs::path elsewhere = base_ / "attacker";
  fs::create_directory(elsewhere);
  GetParam().plant(usual, elsewhere);

  const std::string chosen = Path();
  EXPECT_NE(chosen, usual.string());
  EXPECT_EQ(fs::path(chosen).parent_path(), base_);
  EXPECT_TRUE(fs::path(chosen).filename().string().starts_with(kUser + "-"));
  EXPECT_TRUE(EnsureToolFolder(Utf8ToWide(chosen)));
  EXPECT_EQ(ModeOf(chosen) & 0777, 0700u);
  EXPECT_EQ(Path(), chosen) << "the fallback is kept for the rest of the process";

  // Handed the taken path anyway, the layer neither writes there nor reports failure.
  EXPECT_TRUE(EnsureToolFolder(usual.wstring()));
  EXPECT_EQ(Path(), chosen);
  EXPECT_EQ(ExtractToolResource((usual / "adb").wstring(), IDR_ADB, L"EXE"), 0);
  EXPECT_TRUE(fs::is_empty(elsewhere));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ToolFolderTaken,
    testing::Values(
        TakenCase{"symlink",
                  [](const fs::path& usual, const fs::path& elsewhere) {
                    fs::create_directory_symlink(elsewhere, usual);
                  }},
        TakenCase{"open_to_everyone",
                  [](const fs::path& usual, const fs::path&) {
                    fs::create_directory(usual);
                    fs::permissions(usual, fs::perms::all, fs::perm_options::replace);
                  }},
        TakenCase{"plain_file",
                  [](const fs::path& usual, const fs::path&) { std::ofstream(usual) << "x"; }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ToolFolderPosix, MissingBaseFails) {
  ScopedEnv missing("TMPDIR", (base_ / "does" / "not" / "exist").c_str());
  const std::string path = Path();
  EXPECT_FALSE(EnsureToolFolder(Utf8ToWide(path)));
  EXPECT_FALSE(fs::exists(path));
}

TEST_F(ToolFolderPosix, WrittenToolIsRunnableAndLinksAreNotFollowed) {
  const std::string folder = Path();
  ASSERT_TRUE(EnsureToolFolder(Utf8ToWide(folder)));
  const fs::path adb = fs::path(folder) / "adb";
  if (kEmbeddedToolSources[0].path != nullptr) {
    const auto& source = kEmbeddedToolSources[0];
    ASSERT_EQ(ExtractToolResource(adb.wstring(), source.id, source.type), 1);
    EXPECT_EQ(ModeOf(adb) & 0777, 0700u);
    fs::remove(adb);
  }
  // A link planted where a tool goes is not written through.
  const fs::path victim = base_ / "victim";
  std::ofstream(victim) << "keep";
  fs::create_symlink(victim, adb);
  EXPECT_EQ(ExtractToolResource(adb.wstring(), IDR_ADB, L"EXE"), 0);
  std::ifstream in(victim);
  std::string content;
  in >> content;
  EXPECT_EQ(content, "keep");
}

// Like an adb server left running from an earlier start: the program file is busy, so it
// keeps its content and the result is 0.
TEST_F(ToolFolderPosix, ToolStillRunningKeepsItsContent) {
  const std::string folder = Path();
  ASSERT_TRUE(EnsureToolFolder(Utf8ToWide(folder)));
  const fs::path adb = fs::path(folder) / "adb";
  fs::copy_file(WideToUtf8(RunnerChildPath()), adb);
  std::wstring output;
  std::uint32_t exitCode = 0;
  ASSERT_EQ(RunToolCommand(QuoteArgument(adb.wstring()) + L" --spawn-holder 15000", output,
                           exitCode, 5000),
            kRunEnded);
  const auto at = output.find(L"holder ");
  ASSERT_NE(at, std::wstring::npos) << WideToUtf8(output);
  const pid_t holder = static_cast<pid_t>(std::stol(output.substr(at + 7)));
  const auto before = fs::file_size(adb);

  EXPECT_EQ(ExtractToolResource(adb.wstring(), IDR_ADB, L"EXE"), 0);
  EXPECT_EQ(fs::file_size(adb), before);
  kill(holder, SIGKILL);
}

// Run in a forked child: with the file-size limit far below the tool's size, the write stops
// short; the result must be 0 and no file may be left behind to be run.
void ExtractUnderTinyFileSizeLimit(const fs::path& target, const EmbeddedToolSource& source) {
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit small{};
  small.rlim_cur = small.rlim_max = 1000;
  setrlimit(RLIMIT_FSIZE, &small);
  const int result = ExtractToolResource(target.wstring(), source.id, source.type);
  std::_Exit(result == 0 && !fs::exists(target) ? 0 : 1);
}

TEST_F(ToolFolderPosix, ShortWriteRemovesTheFile) {
  if (kEmbeddedToolSources[0].path == nullptr) GTEST_SKIP() << "no tool files embedded";
  const std::string folder = Path();
  ASSERT_TRUE(EnsureToolFolder(Utf8ToWide(folder)));
  const fs::path target = fs::path(folder) / "fastboot";
  EXPECT_EXIT(ExtractUnderTinyFileSizeLimit(target, kEmbeddedToolSources[0]),
              testing::ExitedWithCode(0), "");
}

}  // namespace
