// Bootloader unlock check: ask a phone in fastboot mode with its brand's query.
#include "main_dialog/vantrelToolDlg.h"
#include "tool_runtime/tool_commands.h"

void CvantrelToolDlg::ShowBootloaderUnlocked() {
  if (CWnd* box = GetDlgItem(IDC_BL_STATUS)) box->SetWindowText(L"已解锁");
  UpdateData(TRUE);
}

void CvantrelToolDlg::ShowBootloaderLocked() {
  if (CWnd* box = GetDlgItem(IDC_BL_STATUS)) box->SetWindowText(L"未解锁");
  UpdateData(TRUE);
}

int CvantrelToolDlg::CheckUnlock(const wchar_t* query, const wchar_t* answer) {
  const CString commandLine = ToolCommand(kFastboot) + query;
  if (!CheckFastbootDevice()) {
    WriteStampedLine("检测失败,请确定手机是否在fastboot模式!\r\n");
    return 0;
  }
  if (RunTool(commandLine).find(answer) != CString::npos) {
    WriteStampedLine("设备已解锁!\r\n");
    ShowBootloaderUnlocked();
    return 1;
  }
  WriteStampedLine("设备未解锁!\r\n");
  ShowBootloaderLocked();
  return 0;
}

int CvantrelToolDlg::CheckUnlockHuawei() { return CheckUnlock(kArgOemGetBootinfo, kHuaweiUnlocked); }
int CvantrelToolDlg::CheckUnlockXiaomi() { return CheckUnlock(kArgOemDeviceInfo, kXiaomiUnlocked); }

void CvantrelToolDlg::OnCheckBootloader() {
  switch (SelectedBrand()) {
    case Brand::Huawei: CheckUnlockHuawei(); break;
    case Brand::Xiaomi: CheckUnlockXiaomi(); break;
    case Brand::Other: break;
  }
}
