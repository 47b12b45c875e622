// Reboot operations: restart the phone into its system or into recovery.
#include "main_dialog/vantrelToolDlg.h"
#include "tool_runtime/tool_commands.h"

void CvantrelToolDlg::OnReboot() {
  const int inFastboot = CheckFastbootDevice();
  const int attached = CheckDevice();
  if (inFastboot)
    RebootFromFastboot();
  else if (attached)
    RebootFromAdb();
}

void CvantrelToolDlg::RebootFromFastboot() {
  const CString fastboot = ToolCommand(kFastboot);
  if (!CheckFastbootDevice()) {
    WriteStampedLine("重启失败,请确定手机是否在fastboot模式!\r\n");
    return;
  }
  AppendLog(StampLog("手机正在重启,请耐心等待进入系统.\r\n"));
  RunTool(fastboot + kArgReboot);
  Push();
}

void CvantrelToolDlg::RebootFromAdb() {
  const CString adb = ToolCommand(kAdb);
  if (!CheckDevice()) {
    WriteStampedLine("重启失败,请手动重启!\r\n");
    return;
  }
  AppendLog(StampLog("手机正在重启,请耐心等待进入系统.\r\n"));
  RunTool(adb + kArgReboot);
  Push();
}

void CvantrelToolDlg::RebootToRecovery() {
  if (!CheckDevice()) {
    WriteStampedLine("重启失败,请手动重启!\r\n");
    return;
  }
  RunTool(ToolCommand(kAdb) + kArgRebootRecovery);
  WriteStampedLine("手机正在重启到recovery,请耐心等待.\r\n");
}

void CvantrelToolDlg::OnRebootRecovery() { RebootToRecovery(); }
