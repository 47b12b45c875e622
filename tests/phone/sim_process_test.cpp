// The built adb and fastboot stand-ins run as child processes: outputs, exit codes, call log,
// state between calls, scenario files, hanging and the server that keeps the pipes open.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "testing/phone/presets.h"
#include "tests/phone/child_process.h"

namespace phone_test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string Tool(const std::string& name) { return std::string(VANTREL_PHONE_BIN_DIR) + "/" + name; }

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteText(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// adb's stderr when a call starts its server.
const std::string kDaemonStarted =
    "* daemon not running; starting now at tcp:5037\n* daemon started successfully\n";

// fastboot's "%-50s " step label.
std::string Step(const std::string& label) { return label + std::string(50 - label.size(), ' ') + " "; }

class SimPhone : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "vantrel-phone-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    image_ = (dir_ / "rec.img").string();
    WriteText(image_, std::string(5000, 'r'));  // 4 KB as fastboot counts
    fs::create_directories(dir_ / "x y");
    spaced_image_ = (dir_ / "x y" / "恢复.img").string();
    WriteText(spaced_image_, std::string(3000, 'c'));  // 2 KB
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  // Replaces {img}, {spaced-dir} and {dir} in a call's arguments.
  std::vector<std::string> Args(std::vector<std::string> args) const {
    for (std::string& arg : args) {
      if (arg == "{img}") arg = image_;
      if (arg == "{spaced-first}") arg = (dir_ / "x").string();
      if (arg == "{missing}") arg = (dir_ / "missing.img").string();
    }
    return args;
  }

  fs::path dir_;
  std::string image_;
  std::string spaced_image_;
};

TEST_F(SimPhone, PresetsAnswerLikeTheRealTools) {
  const std::string kDeviceInfoEnd = "OKAY [  0.004s]\nFinished. Total time: 0.004s\n";
  const std::string kLk = "(bootloader) \tDevice tampered: false\n(bootloader) \tDevice unlocked: %s\n"
                          "(bootloader) \tCharger screen enabled: false\n";
  auto lk = [&](const char* unlocked) {
    std::string s = kLk;
    s.replace(s.find("%s"), 2, unlocked);
    return s + kDeviceInfoEnd;
  };
  auto abl = [&](const char* unlocked) {
    return "(bootloader) Verity mode: true\n(bootloader) Device unlocked: " + std::string(unlocked) +
           "\n(bootloader) Device critical unlocked: false\n(bootloader) Charger screen enabled: true\n" +
           kDeviceInfoEnd;
  };
  const std::string kFlashed =
      "Sending 'recovery' (4 KB)                          OKAY [  1.577s]\n"
      "Writing 'recovery'                                 OKAY [  0.393s]\n"
      "Finished. Total time: 2.009s\n";
  const std::string kBooted = Step("Sending 'boot.img' (4 KB)") + "OKAY [  1.560s]\n" +
                              Step("Booting") + "OKAY [  0.100s]\nFinished. Total time: 1.700s\n";
  const std::string kCommandFailed = "fastboot: error: Command failed\n";
  const std::string kUnknownOem = "FAILED (remote: 'unknown command')\n" + kCommandFailed;
  const std::string kUnauthorized =
      "error: device unauthorized.\nThis adb server's $ADB_VENDOR_KEYS is not set\n"
      "Try 'adb kill-server' if that seems wrong.\nOtherwise check for a confirmation dialog on your device.\n";
  const std::string kNoPermissions =
      "no permissions (user in plugdev group; are your udev rules wrong?); "
      "see [http://developer.android.com/tools/device.html]";
  const std::string kHeading = "List of devices attached\n";
  auto listing = [&](const std::string& state) { return kHeading + "8a3c91f2\t" + state + "\n\n"; };

  struct Case {
    const char* preset;
    const char* tool;
    std::vector<std::string> args;
    std::string out;
    std::string err;
    int exit_code;
  } cases[] = {
      {"none", "adb", {"devices"}, kHeading + "\n", "", 0},
      {"none", "adb", {"reboot"}, "", "error: no devices/emulators found\n", 1},
      {"none", "adb", {"reboot", "recovery"}, "", "error: no devices/emulators found\n", 1},
      {"none", "fastboot", {"devices"}, "", "", 0},
      {"adb-device", "adb", {"devices"}, listing("device"), "", 0},
      {"adb-device", "adb", {"reboot"}, "", "", 0},
      {"adb-device", "adb", {"reboot", "recovery"}, "", "", 0},
      {"adb-device", "fastboot", {"devices"}, "", "", 0},
      {"adb-recovery", "adb", {"devices"}, listing("recovery"), kDaemonStarted, 0},  // no state file
      {"adb-unauthorized", "adb", {"devices"}, listing("unauthorized"), "", 0},
      {"adb-unauthorized", "adb", {"reboot"}, "", kUnauthorized, 1},
      {"adb-offline", "adb", {"devices"}, listing("offline"), "", 0},
      {"adb-offline", "adb", {"reboot", "recovery"}, "", "error: device offline\n", 1},
      {"adb-nopermissions", "adb", {"devices"}, listing(kNoPermissions), "", 0},
      {"adb-heading-only", "adb", {"devices"}, kHeading + "\n", "", 0},
      {"fastboot-xiaomi-unlocked", "adb", {"devices"}, kHeading + "\n", "", 0},
      {"fastboot-xiaomi-unlocked", "fastboot", {"devices"}, "8a3c91f2\tfastboot\n", "", 0},
      {"fastboot-xiaomi-unlocked", "fastboot", {"oem", "device-info"}, "", lk("true"), 0},
      {"fastboot-xiaomi-unlocked", "fastboot", {"oem", "get-bootinfo"}, "", kUnknownOem, 1},
      {"fastboot-xiaomi-unlocked", "fastboot", {"flash", "recovery", "{img}"}, "", kFlashed, 0},
      {"fastboot-xiaomi-unlocked", "fastboot", {"boot", "{img}"}, "", kBooted, 0},
      {"fastboot-xiaomi-unlocked", "fastboot", {"reboot"}, "",
       Step("Rebooting") + "OKAY [  0.000s]\nFinished. Total time: 0.000s\n", 0},
      {"fastboot-xiaomi-unlocked", "fastboot", {"flash", "recovery", "{missing}"}, "",
       "fastboot: error: cannot load '{missing}': No such file or directory\n", 1},
      // An unquoted path with a space: fastboot tries to load its first word.
      {"fastboot-xiaomi-unlocked", "fastboot", {"flash", "recovery", "{spaced-first}", "y/恢复.img"}, "",
       "fastboot: error: cannot load '{spaced-first}': No such file or directory\n", 1},
      {"fastboot-xiaomi-unlocked", "fastboot", {"erase", "userdata"}, "",
       "fastboot: usage: unknown command erase userdata\n", 1},
      {"fastboot-xiaomi-locked", "fastboot", {"oem", "device-info"}, "", lk("false"), 0},
      {"fastboot-xiaomi-abl-unlocked", "fastboot", {"oem", "device-info"}, "", abl("true"), 0},
      {"fastboot-xiaomi-abl-locked", "fastboot", {"oem", "device-info"}, "", abl("false"), 0},
      {"fastboot-xiaomi-abl-locked", "fastboot", {"flash", "recovery", "{img}"}, "",
       Step("Sending 'recovery' (4 KB)") + "OKAY [  0.003s]\n" + Step("Writing 'recovery'") +
           "FAILED (remote: 'Flashing is not allowed in Lock State')\n" + kCommandFailed, 1},
      {"fastboot-huawei-unlocked", "fastboot", {"devices"}, "7HX5T19B23000123\tfastboot\n", "", 0},
      {"fastboot-huawei-unlocked", "fastboot", {"oem", "get-bootinfo"}, "",
       "(bootloader)  unlocked\nOKAY [  0.001s]\nFinished. Total time: 0.001s\n", 0},
      {"fastboot-huawei-unlocked", "fastboot", {"oem", "device-info"}, "", kUnknownOem, 1},
      {"fastboot-huawei-unlocked", "fastboot", {"flash", "recovery", "{img}"}, "", kFlashed, 0},
      {"fastboot-huawei-unlocked", "fastboot", {"boot", "{img}"}, "",
       Step("Sending 'boot.img' (4 KB)") + "OKAY [  1.560s]\n" + Step("Booting") +
           "FAILED (remote: 'unknown command')\n" + kCommandFailed, 1},
      {"fastboot-huawei-locked", "fastboot", {"oem", "get-bootinfo"}, "",
       "(bootloader)  locked\nOKAY [  0.001s]\nFinished. Total time: 0.001s\n", 0},
      {"fastboot-huawei-locked", "fastboot", {"flash", "recovery", "{img}"}, "",
       Step("Sending 'recovery' (4 KB)") + "OKAY [  0.003s]\n" + Step("Writing 'recovery'") +
           "FAILED (remote: 'Command not allowed')\n" + kCommandFailed, 1},
      {"fastboot-old-format", "fastboot", {"oem", "device-info"}, "",
       "(bootloader) \tDevice tampered: false\n(bootloader) \tDevice unlocked: true\n"
       "(bootloader) \tCharger screen enabled: false\nOKAY [  0.004s]\nfinished. total time: 0.004s\n", 0},
      {"fastboot-old-format", "fastboot", {"flash", "recovery", "{img}"}, "",
       "target reported max download size of 536870912 bytes\nsending 'recovery' (4 KB)...\n"
       "OKAY [  1.675s]\nwriting 'recovery'...\nOKAY [  0.897s]\nfinished. total time: 2.573s\n", 0},
      {"fastboot-old-format", "fastboot", {"boot", "{img}"}, "",
       "downloading 'boot.img'...\nOKAY [  1.709s]\nbooting...\nOKAY [  0.517s]\nfinished. total time: 2.225s\n", 0},
      {"fastboot-old-format", "fastboot", {"reboot"}, "", "rebooting...\n\nfinished. total time: 0.002s\n", 0},
      {"flash-refused", "fastboot", {"oem", "device-info"}, "", lk("true"), 0},
      {"flash-refused", "fastboot", {"flash", "recovery", "{img}"}, "",
       Step("Sending 'recovery' (4 KB)") + "OKAY [  0.003s]\n" + Step("Writing 'recovery'") +
           "FAILED (remote: 'Flashing is not allowed in Lock State')\n" + kCommandFailed, 1},
      {"flash-sparse", "fastboot", {"flash", "recovery", "{img}"}, "",
       "Invalid sparse file format at header magic\n" +
           Step("Sending sparse 'recovery' 1/2 (524284 KB)") + "OKAY [ 12.420s]\n" +
           Step("Writing 'recovery'") + "OKAY [  3.170s]\n" +
           Step("Sending sparse 'recovery' 2/2 (111388 KB)") + "OKAY [  2.650s]\n" +
           Step("Writing 'recovery'") + "OKAY [  0.690s]\nFinished. Total time: 18.930s\n", 0},
      {"boot-refused", "fastboot", {"flash", "recovery", "{img}"}, "", kFlashed, 0},
      {"boot-refused", "fastboot", {"boot", "{img}"}, "",
       Step("Sending 'boot.img' (4 KB)") + "OKAY [  1.560s]\n" + Step("Booting") +
           "FAILED (remote: 'unknown command')\n" + kCommandFailed, 1},
      {"chinese-crlf", "adb", {"devices"}, "List of devices attached\r\n\r\n", "", 0},
      {"chinese-crlf", "fastboot", {"devices"}, "小米8a3c91f2\tfastboot\r\n", "", 0},
      {"chinese-crlf", "fastboot", {"oem", "device-info"}, "",
       "(bootloader) 设备名称: 小米手机 (中文)\r\n(bootloader) \tDevice unlocked: true\r\n"
       "OKAY [  0.004s]\r\nFinished. Total time: 0.004s\r\n", 0},
      {"chinese-crlf", "fastboot", {"flash", "recovery", "{img}"}, "",
       "正在发送 {img}\r\n" + Step("Sending 'recovery' (4 KB)") + "OKAY [  1.577s]\r\n" +
           Step("Writing 'recovery'") + "OKAY [  0.393s]\r\nFinished. Total time: 2.009s\r\n", 0},
      {"chinese-crlf", "fastboot", {"reboot"}, "",
       Step("Rebooting") + "OKAY [  0.000s]\r\nFinished. Total time: 0.000s\r\n", 0},
  };
  auto fill = [&](std::string text) {
    for (auto [key, value] : {std::pair<std::string, std::string>{"{img}", image_},
                              {"{missing}", (dir_ / "missing.img").string()},
                              {"{spaced-first}", (dir_ / "x").string()}}) {
      for (size_t at; (at = text.find(key)) != std::string::npos;) text.replace(at, key.size(), value);
    }
    return text;
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.preset) + ": " + c.tool + " " + c.args[0] + (c.args.size() > 1 ? " " + c.args[1] : ""));
    RunResult r = RunTool(Tool(c.tool), Args(c.args), {{"VANTREL_PHONE", c.preset}});
    EXPECT_EQ(r.out, fill(c.out));
    EXPECT_EQ(r.err, fill(c.err));
    EXPECT_EQ(r.exit_code, c.exit_code);
  }
}

TEST_F(SimPhone, ImageSizeComesFromTheFileAndAPathWithSpacesWorksAsOneArgument) {
  RunResult r = RunTool(Tool("fastboot"), {"flash", "recovery", spaced_image_});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.err.substr(0, 26), "Sending 'recovery' (2 KB) ") << r.err;
}

TEST_F(SimPhone, WithoutAScenarioItIsTheDemoPhoneAndBadChoicesAreReported) {
  // Unset or empty: the demo phone.
  for (const EnvList& env : {EnvList{}, EnvList{{"VANTREL_PHONE", ""}}}) {
    RunResult r = RunTool(Tool("fastboot"), {"oem", "device-info"}, env);
    EXPECT_NE(r.err.find("Device unlocked: true"), std::string::npos);
    EXPECT_EQ(RunTool(Tool("fastboot"), {"devices"}, env).out, "8a3c91f2\tfastboot\n");
  }
  RunResult unknown = RunTool(Tool("adb"), {"devices"}, {{"VANTREL_PHONE", "no-such-phone"}});
  EXPECT_EQ(unknown.exit_code, 2);
  EXPECT_EQ(unknown.out, "");
  EXPECT_NE(unknown.err.find("vantrel phone: no built-in scenario named 'no-such-phone'"),
            std::string::npos);
  RunResult missing = RunTool(Tool("adb"), {"devices"}, {{"VANTREL_PHONE", "@" + (dir_ / "nope").string()}});
  EXPECT_EQ(missing.exit_code, 2);
  EXPECT_NE(missing.err.find("cannot read scenario file"), std::string::npos);
}

TEST_F(SimPhone, ScenarioFileIsReadParsedAndPlayed) {
  fs::path file = dir_ / "phone.txt";
  WriteText(file,
            "# two listings, then the stock fastboot answers for everything else\n"
            "set crlf 1\n"
            "on fastboot devices times=2\n"
            "  out \"serial-{{x}}\\tfastboot\\n\"\n"
            "on fastboot \"oem\" *\n"
            "  err \"asked {1}\\n\"\n"
            "  exit 7\n"
            "include none\n");
  EnvList env{{"VANTREL_PHONE", "@" + file.string()}, {"VANTREL_PHONE_STATE", (dir_ / "state").string()}};
  EXPECT_EQ(RunTool(Tool("fastboot"), {"devices"}, env).out, "serial-{{x}}\tfastboot\r\n");
  RunResult oem = RunTool(Tool("fastboot"), {"oem", "中文"}, env);
  EXPECT_EQ(oem.err, "asked 中文\r\n");
  EXPECT_EQ(oem.exit_code, 7);
  EXPECT_EQ(RunTool(Tool("fastboot"), {"devices"}, env).out, "serial-{{x}}\tfastboot\r\n");
  RunResult gone = RunTool(Tool("fastboot"), {"devices"}, env);
  EXPECT_EQ(gone.out, "");
  EXPECT_EQ(gone.exit_code, 0);
  EXPECT_EQ(RunTool(Tool("adb"), {"reboot"}, env).err, "error: no devices/emulators found\r\n");

  WriteText(file, "on fastboot devices\n  out \"x\"\n  shout \"y\"\n");
  RunResult broken = RunTool(Tool("fastboot"), {"devices"}, env);
  EXPECT_EQ(broken.exit_code, 2);
  EXPECT_EQ(broken.out, "");
  EXPECT_EQ(broken.err, "vantrel phone: " + file.string() + ":3: unknown action 'shout'\n");
}

TEST_F(SimPhone, CallLogHasOneTabSeparatedLinePerCall) {
  fs::path log = dir_ / "calls.log";
  EnvList env{{"VANTREL_PHONE", "fastboot-xiaomi-unlocked"}, {"VANTREL_PHONE_LOG", log.string()}};
  RunTool(Tool("adb"), {"devices"}, env);
  RunTool(Tool("fastboot"), {"flash", "recovery", "Z:\\tmp\\x", "y\\恢复.img"}, env);
  RunTool(Tool("fastboot"), {"oem", "one arg with spaces", ""}, env);
  RunTool(Tool("fastboot"), {}, env);
  // Calls that the scenario cannot answer are recorded too.
  RunTool(Tool("adb"), {"reboot"}, {{"VANTREL_PHONE", "no-such-phone"}, {"VANTREL_PHONE_LOG", log.string()}});
  EXPECT_EQ(ReadText(log),
            "adb\tdevices\n"
            "fastboot\tflash\trecovery\tZ:\\tmp\\x\ty\\恢复.img\n"
            "fastboot\toem\tone arg with spaces\t\n"
            "fastboot\n"
            "adb\treboot\n");
}

TEST_F(SimPhone, FirstListingRulesAnswerOnceWhileTheStateFileCounts) {
  struct Case {
    const char* preset;
    const char* tool;
    std::string first_out, first_err;
    std::string later_out;  // of the second and third call; they print nothing on stderr
    const char* state;      // the limited rule comes first
  } cases[] = {
      // The later listings are `none`'s.
      {"fastboot-lost-after-first-listing", "fastboot", "8a3c91f2\tfastboot\n", "", "",
       "calls 3\nrule 1 used 1\nrule 4 used 2\n"},
      {"adb-lost-after-first-listing", "adb", "List of devices attached\n8a3c91f2\tdevice\n\n", "",
       "List of devices attached\n\n", "calls 3\nrule 1 used 1\nrule 2 used 2\n"},
      // The server is started by the first listing only; the phone stays.
      {"adb-recovery", "adb", "List of devices attached\n8a3c91f2\trecovery\n\n", kDaemonStarted,
       "List of devices attached\n8a3c91f2\trecovery\n\n", "calls 3\nrule 1 used 1\nrule 2 used 2\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.preset);
    fs::path state = dir_ / (std::string(c.preset) + ".state");
    EnvList counted{{"VANTREL_PHONE", c.preset}, {"VANTREL_PHONE_STATE", state.string()}};
    RunResult first = RunTool(Tool(c.tool), {"devices"}, counted);
    EXPECT_EQ(first.out, c.first_out);
    EXPECT_EQ(first.err, c.first_err);
    for (int i = 0; i < 2; ++i) {
      RunResult later = RunTool(Tool(c.tool), {"devices"}, counted);
      EXPECT_EQ(later.out, c.later_out);
      EXPECT_EQ(later.err, "");
    }
    EXPECT_EQ(ReadText(state), c.state);
    // Without a state file nothing is counted: every call is the first.
    for (int i = 0; i < 2; ++i) {
      RunResult uncounted = RunTool(Tool(c.tool), {"devices"}, {{"VANTREL_PHONE", c.preset}});
      EXPECT_EQ(uncounted.out, c.first_out);
      EXPECT_EQ(uncounted.err, c.first_err);
    }
  }
}

TEST_F(SimPhone, WaitingCommandsBlockUntilKilled) {
  struct Case {
    const char* preset;
    const char* tool;
    std::vector<std::string> args;
  } cases[] = {
      {"none", "fastboot", {"flash", "recovery", "{img}"}},
      {"none", "fastboot", {"oem", "device-info"}},
      {"fastboot-hangs-after-listing", "fastboot", {"boot", "{img}"}},
      {"fastboot-lost-after-first-listing", "fastboot", {"reboot"}},
      {"hang", "adb", {"devices"}},
      {"hang", "fastboot", {"devices"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.preset) + " " + c.tool + " " + c.args[0]);
    std::string error;
    auto child = ChildProcess::Start(Tool(c.tool), Args(c.args), {{"VANTREL_PHONE", c.preset}}, &error);
    ASSERT_TRUE(child) << error;
    EXPECT_TRUE(child->ReadUntilErrContains("< waiting for any device >\n", 10s)) << child->err();
    EXPECT_EQ(child->WaitForExit(100ms), std::nullopt) << "ended instead of waiting";
  }  // the child's destructor kills it
}

TEST_F(SimPhone, AdbServerKeepsThePipesOpenAfterTheClientEnds) {
  EnvList env{{"VANTREL_PHONE", "adb-server-holds-pipe"}, {"VANTREL_PHONE_STATE", (dir_ / "state").string()}};
  std::string error;
  auto first = ChildProcess::Start(Tool("adb"), {"devices"}, env, &error);
  ASSERT_TRUE(first) << error;
  EXPECT_EQ(first->WaitForExit(10s), 0);
  EXPECT_FALSE(first->ReadUntilClosed(200ms)) << "nothing holds the pipes after the client ended";
  EXPECT_EQ(first->out(), "List of devices attached\n8a3c91f2\tdevice\n\n");
  EXPECT_EQ(first->err(), kDaemonStarted);
  first.reset();  // kills the server with the client's process group

  // The server is running now as far as the scenario knows: the next call just lists.
  auto second = ChildProcess::Start(Tool("adb"), {"devices"}, env, &error);
  ASSERT_TRUE(second) << error;
  EXPECT_TRUE(second->ReadUntilClosed(10s));
  EXPECT_EQ(second->WaitForExit(10s), 0);
  EXPECT_EQ(second->out(), "List of devices attached\n8a3c91f2\tdevice\n\n");
  EXPECT_EQ(second->err(), "");
}

TEST_F(SimPhone, BothToolsListTheBuiltInScenarios) {
  for (const char* tool : {"adb", "fastboot"}) {
    RunResult r = RunTool(Tool(tool), {"--vantrel-presets"});
    EXPECT_EQ(r.exit_code, 0);
    std::string expected;
    for (const phone::Preset& p : phone::Presets()) {
      expected += std::string(p.name) + "\t" + std::string(phone::Description(p)) + "\n";
    }
    EXPECT_EQ(r.out, expected);
    RunResult text = RunTool(Tool(tool), {"--vantrel-preset-text", "hang"});
    EXPECT_EQ(text.out, phone::FindPreset("hang")->text);
  }
}

}  // namespace
}  // namespace phone_test
