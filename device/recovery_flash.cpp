// Recovery flashing: choose an image, flash it after the unlock check, boot it for Xiaomi.
#include "main_dialog/vantrelToolDlg.h"
#include "tool_runtime/tool_commands.h"

int CvantrelToolDlg::CountOkay(const CString& text) {
  int count = 0;
  const CString okay = kOkay;
  for (std::size_t at = text.find(okay); at != CString::npos; at = text.find(okay, at + okay.size())) ++count;
  return count;
}

void CvantrelToolDlg::OnChooseRecovery() {
  CFileDialog dlg(TRUE, L"*.img", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, L"IMG(*.img)|*.img|所有文件(*.*)|*.*|",
                  nullptr, 0, TRUE);
  if (dlg.DoModal() != IDOK) return;
  if (CWnd* box = GetDlgItem(IDC_RECOVERY_PATH)) box->SetWindowText(dlg.GetPathName());
  UpdateData(TRUE);
}

void CvantrelToolDlg::OnFlash() {
  switch (SelectedBrand()) {
    case Brand::Huawei: FlashRecoveryHuawei(); break;
    case Brand::Xiaomi: FlashRecoveryXiaomi(); break;
    case Brand::Other: break;
  }
}

CString CvantrelToolDlg::RecoveryPath() {
  CWnd* box = GetDlgItem(IDC_RECOVERY_PATH);
  return box ? box->GetWindowText() : CString();
}

void CvantrelToolDlg::FlashRecoveryHuawei() { FlashRecovery("华为手机正在刷入recovery...\r\n", false); }
void CvantrelToolDlg::FlashRecoveryXiaomi() { FlashRecovery("小米手机正在刷入recovery...\r\n", true); }

// Xiaomi phones also boot the image at once, so the user lands in the new recovery.
void CvantrelToolDlg::FlashRecovery(const char* flashingMessage, bool bootAfterwards) {
  const CString fastboot = ToolCommand(kFastboot);
  const CString image = RecoveryPath();
  if (image.empty()) {
    WriteStampedLine("请选择recovery文件!!\r\n");
    return;
  }
  const int unlocked = bootAfterwards ? CheckUnlockXiaomi() : CheckUnlockHuawei();
  if (!unlocked) {
    WriteStampedLine("刷入失败,请确定手机已经解锁!\r\n");
    return;
  }
  WriteStampedLine(flashingMessage);
  const CString output = RunTool(fastboot + kArgFlashRecovery + QuoteArgument(image));
  // No push here: the next stamped line shows the output together with the verdict.
  AppendLogWide(output.c_str());
  if (CountOkay(output) != kOkayCountOfSuccess) {
    WriteStampedLine("没有发现设备,请确定手机是否在fastboot模式!\r\n");
    return;
  }
  if (!bootAfterwards) {
    WriteStampedLine("刷入成功!请手动按键进入recovery模式.\r\n");
    return;
  }
  if (BootTempRecovery() != 0) WriteStampedLine("刷入临时recovery失败,请手动进入recovery模式!\r\n");
}

int CvantrelToolDlg::BootTempRecovery() {
  const CString fastboot = ToolCommand(kFastboot);
  const CString image = RecoveryPath();
  if (image.empty()) {
    WriteStampedLine("请选择recovery文件!!\r\n");
    return 1;
  }
  WriteStampedLine("正在刷入临时recovery...\r\n");
  const CString output = RunTool(fastboot + kArgBoot + QuoteArgument(image));
  AppendLogWide(output.c_str());
  if (CountOkay(output) != kOkayCountOfSuccess) return 1;
  WriteStampedLine("刷入成功!请耐心等待进入recovery模式.\r\n");
  return 0;
}
