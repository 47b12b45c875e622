// The phone buttons end to end on the headless backend: the real POSIX runner runs the
// deployed simulated phone; each case checks the whole log, both boxes and every command sent.
#include <fstream>
#include <sstream>

#include "tests/support/main_dialog_harness.h"
#include "tool_runtime/utf8_stream.h"

using testsupport::BoxText;
using testsupport::MainDialog;
using testsupport::MaskStamps;

namespace {

// One thing the person does.
struct Step {
  enum Kind { Phone, Brand, Image, Press, BrandText } kind;
  std::string text;  // preset name, or scenario text for Phone when it starts with "on "/"include "
  int value = 0;     // button id or brand index
};
Step phone(std::string preset) { return {Step::Phone, std::move(preset), 0}; }
Step brand(int index) { return {Step::Brand, {}, index}; }  // 0 华为, 1 小米
Step image() { return {Step::Image, {}, 0}; }
Step press(int id) { return {Step::Press, {}, id}; }
Step brandText(std::string utf8) { return {Step::BrandText, std::move(utf8), 0}; }

struct Case {
  const char* name;
  std::vector<Step> steps;
  // "[T]" stands for a stamp; "{flash}"/"{boot}" for what fastboot printed for that command.
  const wchar_t* log;
  const wchar_t* deviceBox;
  const wchar_t* blBox;
  // The calls the phone received; "{img}" is the chosen image's path.
  std::vector<std::string> calls;
  std::uint32_t timeLimitMs = 5000;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

const std::string kFbDevices = "fastboot\tdevices";
const std::string kAdbDevices = "adb\tdevices";
const std::string kXiaomiQuery = "fastboot\toem\tdevice-info";
const std::string kHuaweiQuery = "fastboot\toem\tget-bootinfo";
const std::string kFlash = "fastboot\tflash\trecovery\t{img}";
const std::string kBoot = "fastboot\tboot\t{img}";

// Checks a fastboot listing found nothing, then the device state line.
#define FB_NONE L"[T]设备状态:未连接,请手机重启到fastboot模式并连上电脑!\r\n"
#define CONNECTED L"[T]设备状态:已连接\r\n"
#define NO_DEVICE L"[T]设备状态:未检测到设备!\r\n"

const char kThreeOkay[] = R"sc(on fastboot flash recovery * **
  load {1}
  step "Sending 'recovery' ({kb} KB)" okay 0.100
  step "Writing 'recovery'" okay 0.200
  step "Erasing 'cache'" okay 0.010
  finished 0.310
include fastboot-xiaomi-unlocked
)sc";

const std::vector<Case> kCases = {
    // ---- "检测设备"
    {"adb lists a phone", {phone("adb-device"), press(IDC_DETECT_DEVICE)}, CONNECTED, L"已连接", L"", {kAdbDevices}},
    {"adb lists a phone in recovery", {phone("adb-recovery"), press(IDC_DETECT_DEVICE)}, CONNECTED, L"已连接", L"",
     {kAdbDevices}},
    {"adb server left running holds the pipe", {phone("adb-server-holds-pipe"), press(IDC_DETECT_DEVICE)}, CONNECTED,
     L"已连接", L"", {kAdbDevices}},
    {"adb heading only is no phone", {phone("adb-heading-only"), press(IDC_DETECT_DEVICE)}, NO_DEVICE, L"未连接", L"",
     {kAdbDevices, kFbDevices}},
    {"unauthorized is no phone", {phone("adb-unauthorized"), press(IDC_DETECT_DEVICE)}, NO_DEVICE, L"未连接", L"",
     {kAdbDevices, kFbDevices}},
    {"offline is no phone", {phone("adb-offline"), press(IDC_DETECT_DEVICE)}, NO_DEVICE, L"未连接", L"",
     {kAdbDevices, kFbDevices}},
    {"no permissions is no phone", {phone("adb-nopermissions"), press(IDC_DETECT_DEVICE)}, NO_DEVICE, L"未连接", L"",
     {kAdbDevices, kFbDevices}},
    {"fastboot mode", {phone("fastboot-xiaomi-unlocked"), press(IDC_DETECT_DEVICE)},
     L"[T]设备状态:已连接(fastboot模式)\r\n", L"已连接:fastboot模式", L"", {kAdbDevices, kFbDevices}},
    {"nothing attached", {phone("none"), press(IDC_DETECT_DEVICE)}, NO_DEVICE, L"未连接", L"", {kAdbDevices, kFbDevices}},
    {"two detections, two lines, latest box",
     {phone("adb-device"), press(IDC_DETECT_DEVICE), phone("none"), press(IDC_DETECT_DEVICE)}, CONNECTED NO_DEVICE,
     L"未连接", L"", {kAdbDevices, kAdbDevices, kFbDevices}},

    // ---- "检测BL"
    {"Xiaomi unlocked", {phone("fastboot-xiaomi-unlocked"), press(IDC_CHECK_BL)}, CONNECTED L"[T]设备已解锁!\r\n",
     L"已连接", L"已解锁", {kFbDevices, kXiaomiQuery}},
    {"Xiaomi ABL unlocked", {phone("fastboot-xiaomi-abl-unlocked"), press(IDC_CHECK_BL)},
     CONNECTED L"[T]设备已解锁!\r\n", L"已连接", L"已解锁", {kFbDevices, kXiaomiQuery}},
    {"Xiaomi locked", {phone("fastboot-xiaomi-locked"), press(IDC_CHECK_BL)}, CONNECTED L"[T]设备未解锁!\r\n", L"已连接",
     L"未解锁", {kFbDevices, kXiaomiQuery}},
    {"Huawei unlocked", {brand(0), phone("fastboot-huawei-unlocked"), press(IDC_CHECK_BL)},
     CONNECTED L"[T]设备已解锁!\r\n", L"已连接", L"已解锁", {kFbDevices, kHuaweiQuery}},
    {"Huawei locked", {brand(0), phone("fastboot-huawei-locked"), press(IDC_CHECK_BL)}, CONNECTED L"[T]设备未解锁!\r\n",
     L"已连接", L"未解锁", {kFbDevices, kHuaweiQuery}},
    {"Huawei asked with the Xiaomi phone's answer is not unlocked",
     {brand(0), phone("fastboot-xiaomi-unlocked"), press(IDC_CHECK_BL)}, CONNECTED L"[T]设备未解锁!\r\n", L"已连接",
     L"未解锁", {kFbDevices, kHuaweiQuery}},
    {"no phone keeps the old answer",
     {phone("fastboot-xiaomi-unlocked"), press(IDC_CHECK_BL), phone("none"), press(IDC_CHECK_BL)},
     CONNECTED L"[T]设备已解锁!\r\n" FB_NONE L"[T]检测失败,请确定手机是否在fastboot模式!\r\n", L"未连接", L"已解锁",
     {kFbDevices, kXiaomiQuery, kFbDevices}},
    {"another brand text does nothing", {brandText("三星"), phone("fastboot-xiaomi-unlocked"), press(IDC_CHECK_BL)}, L"",
     L"", L"", {}},

    // ---- "刷入"
    {"no image chosen", {phone("fastboot-xiaomi-unlocked"), press(IDC_FLASH)}, L"[T]请选择recovery文件!!\r\n", L"", L"",
     {}},
    {"no image chosen, Huawei", {brand(0), phone("fastboot-huawei-unlocked"), press(IDC_FLASH)},
     L"[T]请选择recovery文件!!\r\n", L"", L"", {}},
    {"no phone", {image(), phone("none"), press(IDC_FLASH)},
     FB_NONE L"[T]检测失败,请确定手机是否在fastboot模式!\r\n[T]刷入失败,请确定手机已经解锁!\r\n", L"未连接", L"",
     {kFbDevices}},
    {"locked", {image(), phone("fastboot-xiaomi-locked"), press(IDC_FLASH)},
     CONNECTED L"[T]设备未解锁!\r\n[T]刷入失败,请确定手机已经解锁!\r\n", L"已连接", L"未解锁", {kFbDevices, kXiaomiQuery}},
    {"Huawei, two OKAY", {brand(0), image(), phone("fastboot-huawei-unlocked"), press(IDC_FLASH)},
     CONNECTED L"[T]设备已解锁!\r\n[T]华为手机正在刷入recovery...\r\n{flash}[T]刷入成功!请手动按键进入recovery模式.\r\n",
     L"已连接", L"已解锁", {kFbDevices, kHuaweiQuery, kFlash}},
    {"Huawei, refused: one OKAY", {brand(0), image(), phone("fastboot-huawei-locked"), press(IDC_FLASH)},
     CONNECTED L"[T]设备未解锁!\r\n[T]刷入失败,请确定手机已经解锁!\r\n", L"已连接", L"未解锁", {kFbDevices, kHuaweiQuery}},
    {"Xiaomi, refused: one OKAY", {image(), phone("flash-refused"), press(IDC_FLASH)},
     CONNECTED L"[T]设备已解锁!\r\n[T]小米手机正在刷入recovery...\r\n{flash}[T]没有发现设备,请确定手机是否在fastboot模式!\r\n",
     L"已连接", L"已解锁", {kFbDevices, kXiaomiQuery, kFlash}},
    {"Xiaomi, three OKAY", {image(), phone(kThreeOkay), press(IDC_FLASH)},
     CONNECTED L"[T]设备已解锁!\r\n[T]小米手机正在刷入recovery...\r\n{flash}[T]没有发现设备,请确定手机是否在fastboot模式!\r\n",
     L"已连接", L"已解锁", {kFbDevices, kXiaomiQuery, kFlash}},
    {"Xiaomi, sparse: four OKAY", {image(), phone("flash-sparse"), press(IDC_FLASH)},
     CONNECTED L"[T]设备已解锁!\r\n[T]小米手机正在刷入recovery...\r\n{flash}[T]没有发现设备,请确定手机是否在fastboot模式!\r\n",
     L"已连接", L"已解锁", {kFbDevices, kXiaomiQuery, kFlash}},
    {"Xiaomi, flash and boot both two OKAY", {image(), phone("fastboot-xiaomi-unlocked"), press(IDC_FLASH)},
     CONNECTED L"[T]设备已解锁!\r\n[T]小米手机正在刷入recovery...\r\n{flash}[T]正在刷入临时recovery...\r\n{boot}"
               L"[T]刷入成功!请耐心等待进入recovery模式.\r\n",
     L"已连接", L"已解锁", {kFbDevices, kXiaomiQuery, kFlash, kBoot}},
    {"Xiaomi, old fastboot", {image(), phone("fastboot-old-format"), press(IDC_FLASH)},
     CONNECTED L"[T]设备已解锁!\r\n[T]小米手机正在刷入recovery...\r\n{flash}[T]正在刷入临时recovery...\r\n{boot}"
               L"[T]刷入成功!请耐心等待进入recovery模式.\r\n",
     L"已连接", L"已解锁", {kFbDevices, kXiaomiQuery, kFlash, kBoot}},
    {"Xiaomi, boot refused", {image(), phone("boot-refused"), press(IDC_FLASH)},
     CONNECTED L"[T]设备已解锁!\r\n[T]小米手机正在刷入recovery...\r\n{flash}[T]正在刷入临时recovery...\r\n{boot}"
               L"[T]刷入临时recovery失败,请手动进入recovery模式!\r\n",
     L"已连接", L"已解锁", {kFbDevices, kXiaomiQuery, kFlash, kBoot}},
    {"flash that never ends is stopped at the limit", {image(), phone(R"sc(on fastboot flash **
  err "< waiting for any device >\n"
  hang
include fastboot-xiaomi-unlocked
)sc"), press(IDC_FLASH)},
     CONNECTED L"[T]设备已解锁!\r\n[T]小米手机正在刷入recovery...\r\n< waiting for any device >\n"
               L"[T]没有发现设备,请确定手机是否在fastboot模式!\r\n",
     L"已连接", L"已解锁", {kFbDevices, kXiaomiQuery, kFlash}, 1500},
    {"another brand text does nothing", {image(), brandText("Samsung"), phone("fastboot-xiaomi-unlocked"), press(IDC_FLASH)},
     L"", L"", L"", {}},

    // ---- "重启手机" and "重启到recovery"
    {"reboot from fastboot", {phone("fastboot-xiaomi-unlocked"), press(IDC_REBOOT)},
     CONNECTED L"[T]设备状态:已连接(fastboot模式)\r\n" CONNECTED L"[T]手机正在重启,请耐心等待进入系统.\r\n", L"已连接", L"",
     {kFbDevices, kAdbDevices, kFbDevices, kFbDevices, "fastboot\treboot"}},
    {"reboot over adb", {phone("adb-device"), press(IDC_REBOOT)},
     FB_NONE CONNECTED CONNECTED L"[T]手机正在重启,请耐心等待进入系统.\r\n", L"已连接", L"",
     {kFbDevices, kAdbDevices, kAdbDevices, "adb\treboot"}},
    {"reboot with nothing attached", {phone("none"), press(IDC_REBOOT)}, FB_NONE NO_DEVICE, L"未连接", L"",
     {kFbDevices, kAdbDevices, kFbDevices}},
    {"fastboot phone lost between the checks", {phone("fastboot-lost-after-first-listing"), press(IDC_REBOOT)},
     CONNECTED NO_DEVICE FB_NONE L"[T]重启失败,请确定手机是否在fastboot模式!\r\n", L"未连接", L"",
     {kFbDevices, kAdbDevices, kFbDevices, kFbDevices}},
    {"adb phone lost between the checks", {phone("adb-lost-after-first-listing"), press(IDC_REBOOT)},
     FB_NONE CONNECTED NO_DEVICE L"[T]重启失败,请手动重启!\r\n", L"未连接", L"",
     {kFbDevices, kAdbDevices, kAdbDevices, kFbDevices}},
    {"reboot to recovery", {phone("adb-device"), press(IDC_REBOOT_RECOVERY)},
     CONNECTED L"[T]手机正在重启到recovery,请耐心等待.\r\n", L"已连接", L"", {kAdbDevices, "adb\treboot\trecovery"}},
    {"reboot to recovery, phone only in fastboot mode", {phone("fastboot-xiaomi-unlocked"), press(IDC_REBOOT_RECOVERY)},
     L"[T]设备状态:已连接(fastboot模式)\r\n[T]手机正在重启到recovery,请耐心等待.\r\n", L"已连接:fastboot模式", L"",
     {kAdbDevices, kFbDevices, "adb\treboot\trecovery"}},
    {"reboot to recovery, nothing attached", {phone("none"), press(IDC_REBOOT_RECOVERY)},
     NO_DEVICE L"[T]重启失败,请手动重启!\r\n", L"未连接", L"", {kAdbDevices, kFbDevices}},
};

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

void Replace(std::wstring& text, const std::wstring& from, const std::wstring& to) {
  for (std::size_t at = text.find(from); at != std::wstring::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

class DeviceOperations : public testsupport::TempFolderTest, public ::testing::WithParamInterface<Case> {
 protected:
  // Chooses the phone for the calls that follow: a preset name or a scenario text.
  void UsePhone(const std::string& choice) {
    if (choice.rfind("on ", 0) == 0 || choice.rfind("include ", 0) == 0) {
      const auto file = root_ / ("scenario-" + std::to_string(++scenarios_) + ".txt");
      std::ofstream(file, std::ios::binary) << choice;
      phone_ = "@" + file.string();
    } else {
      phone_ = choice;
    }
    ::setenv("VANTREL_PHONE", phone_.c_str(), 1);
    ::setenv("VANTREL_PHONE_STATE", (root_ / ("state-" + std::to_string(++scenarios_))).c_str(), 1);
  }

  // What the deployed fastboot prints for `arguments` with the current phone, asked aside.
  std::wstring FastbootSays(const std::wstring& arguments) {
    const std::string log = ::getenv("VANTREL_PHONE_LOG");
    ::unsetenv("VANTREL_PHONE_LOG");
    ::setenv("VANTREL_PHONE_STATE", (root_ / "state-aside").c_str(), 1);
    std::wstring output;
    std::uint32_t exitCode = 0;
    RunToolCommand(QuoteArgument(ToolFilePath(ToolFolderPath(), kFastboot)) + arguments, output, exitCode, 1500);
    ::setenv("VANTREL_PHONE_LOG", log.c_str(), 1);
    return output;
  }

  std::string phone_;
  int scenarios_ = 0;
};

TEST_P(DeviceOperations, LeaveTheExpectedLogBoxesAndCommands) {
  const Case& c = GetParam();
  const auto imageFolder = root_ / "my images";
  std::filesystem::create_directories(imageFolder);
  const std::filesystem::path image = imageFolder / "恢复 镜像.img";
  std::ofstream(image, std::ios::binary) << std::string(3 * 1024 + 100, 'r');
  const auto callLog = root_ / "calls.log";
  ::setenv("VANTREL_PHONE_LOG", callLog.c_str(), 1);

  std::wstring expectedLog = c.log;
  RunMainDialog([&](MainDialog& dlg) {
    dlg.SetToolTimeLimit(c.timeLimitMs);
    std::filesystem::remove(callLog);  // start-up wrote the tools; only the presses count
    for (const Step& step : c.steps) {
      switch (step.kind) {
        case Step::Phone: UsePhone(step.text); break;
        case Step::Brand: headless::SelectItem(dlg, IDC_BRAND, step.value); break;
        case Step::BrandText: headless::Child(dlg, IDC_BRAND)->text = Utf8ToWide(step.text); break;
        case Step::Image:
          headless::SetFileDialogAnswer(Utf8ToWide(image.string()));
          headless::Click(dlg, IDC_CHOOSE_RECOVERY);
          break;
        case Step::Press: headless::Click(dlg, step.value); break;
      }
    }
    const std::wstring quotedImage = L" " + QuoteArgument(Utf8ToWide(image.string()));
    if (expectedLog.find(L"{flash}") != std::wstring::npos) Replace(expectedLog, L"{flash}", FastbootSays(L" flash recovery" + quotedImage));
    if (expectedLog.find(L"{boot}") != std::wstring::npos) Replace(expectedLog, L"{boot}", FastbootSays(L" boot" + quotedImage));

    EXPECT_EQ(MaskStamps(dlg.m_log), expectedLog);
    EXPECT_EQ(BoxText(dlg, IDC_LOG), dlg.m_log) << "the last push shows the whole log";
    EXPECT_EQ(BoxText(dlg, IDC_DEVICE_STATUS), c.deviceBox);
    EXPECT_EQ(BoxText(dlg, IDC_BL_STATUS), c.blBox);
    EXPECT_EQ(dlg.m_deviceStatus, c.deviceBox);
    EXPECT_EQ(dlg.m_bootloaderStatus, c.blBox);
  });

  std::vector<std::string> expectedCalls;
  for (std::string call : c.calls) {
    if (auto at = call.find("{img}"); at != std::string::npos) call.replace(at, 5, image.string());
    expectedCalls.push_back(call);
  }
  EXPECT_EQ(Lines(ReadFile(callLog)), expectedCalls);
}

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
  std::string name;
  for (char ch : std::string(info.param.name)) name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
  return std::to_string(info.index) + "_" + name;
}

INSTANTIATE_TEST_SUITE_P(Buttons, DeviceOperations, ::testing::ValuesIn(kCases), CaseName);

// The flash output reaches the log unchanged (Chinese text, CRLF line ends) and stands in front
// of the next stamp.
TEST_F(DeviceOperations, FlashOutputIsLoggedUnchanged) {
  const auto image = root_ / "r.img";
  std::ofstream(image, std::ios::binary) << "img";
  UsePhone(R"sc(on fastboot flash recovery * **
  err "Sending 'recovery' (0 KB)  OKAY\r\n写入 'recovery'  OKAY"
include fastboot-xiaomi-unlocked
)sc");
  RunMainDialog([&](MainDialog& dlg) {
    headless::Child(dlg, IDC_RECOVERY_PATH)->text = Utf8ToWide(image.string());
    headless::Click(dlg, IDC_FLASH);
    const std::wstring log = MaskStamps(dlg.m_log);
    EXPECT_NE(log.find(L"Sending 'recovery' (0 KB)  OKAY\r\n写入 'recovery'  OKAY[T]"), std::wstring::npos) << log;
  });
}

TEST_F(DeviceOperations, CancellingTheFileDialogKeepsThePath) {
  RunMainDialog([&](MainDialog& dlg) {
    headless::SetFileDialogAnswer(L"/tmp/first.img");
    headless::Click(dlg, IDC_CHOOSE_RECOVERY);
    headless::SetFileDialogAnswer(std::nullopt);
    headless::Click(dlg, IDC_CHOOSE_RECOVERY);
    EXPECT_EQ(BoxText(dlg, IDC_RECOVERY_PATH), L"/tmp/first.img");
    EXPECT_EQ(dlg.m_log, L"");
  });
  ASSERT_EQ(headless::FileDialogsShown().size(), 2u);
  const headless::FileDialogRecord& shown = headless::FileDialogsShown()[0];
  EXPECT_TRUE(shown.open);
  EXPECT_EQ(shown.defaultExt, L"*.img");
  EXPECT_EQ(shown.fileName, L"");
  EXPECT_EQ(shown.flags, 6u);
  EXPECT_EQ(shown.filter, L"IMG(*.img)|*.img|所有文件(*.*)|*.*|");
  EXPECT_FALSE(shown.hadParent);
}

TEST(CountOkay, CountsNonOverlappingExactMatches) {
  const struct {
    const wchar_t* text;
    int count;
  } cases[] = {{L"", 0}, {L"OKAY", 1}, {L"OKAYOKAY", 2}, {L"OKAYOKAYOKAY", 3}, {L"okay OKay", 0},
               {L"NOTOKAYED OKAY", 2}, {L"OKAOKAY", 1}};
  for (const auto& c : cases) EXPECT_EQ(CvantrelToolDlg::CountOkay(c.text), c.count) << c.text;
}

}  // namespace
