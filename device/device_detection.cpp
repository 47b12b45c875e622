// Device detection: is a phone attached over adb or in fastboot mode?
#include "main_dialog/vantrelToolDlg.h"
#include "tool_runtime/tool_commands.h"

namespace {
// adb lists one phone per line as serial, tab, state. Only those lines count: the heading
// "List of devices attached", daemon messages and states such as "unauthorized", "offline"
// or "no permissions (…device.html)" never mean a usable phone.
bool AdbListsPhone(const CString& output) {
  std::size_t start = 0;
  while (start < output.size()) {
    std::size_t end = output.find(L'\n', start);
    if (end == CString::npos) end = output.size();
    CString line = output.substr(start, end - start);
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    const std::size_t tab = line.find(L'\t');
    if (tab != CString::npos && tab > 0) {
      const CString state = line.substr(tab + 1);
      if (state == L"device" || state == L"recovery") return true;
    }
    start = end + 1;
  }
  return false;
}
}  // namespace

void CvantrelToolDlg::SetDeviceStatus(const CString& text) {
  if (CWnd* box = GetDlgItem(IDC_DEVICE_STATUS)) box->SetWindowText(text);
  UpdateData(TRUE);
}

int CvantrelToolDlg::CheckFastbootDevice() {
  const CString output = RunTool(ToolCommand(kFastboot) + kArgDevices);
  if (!output.empty()) {
    SetDeviceStatus(L"已连接");
    WriteStampedLine("设备状态:已连接\r\n");
    return 1;
  }
  SetDeviceStatus(L"未连接");
  WriteStampedLine("设备状态:未连接,请手机重启到fastboot模式并连上电脑!\r\n");
  return 0;
}

int CvantrelToolDlg::CheckDevice() {
  if (AdbListsPhone(RunTool(ToolCommand(kAdb) + kArgDevices))) {
    SetDeviceStatus(L"已连接");
    WriteStampedLine("设备状态:已连接\r\n");
    return 1;
  }
  if (!RunTool(ToolCommand(kFastboot) + kArgDevices).empty()) {
    SetDeviceStatus(L"已连接:fastboot模式");
    WriteStampedLine("设备状态:已连接(fastboot模式)\r\n");
    return 1;
  }
  SetDeviceStatus(L"未连接");
  WriteStampedLine("设备状态:未检测到设备!\r\n");
  return 0;
}

void CvantrelToolDlg::OnDetectDevice() { CheckDevice(); }
