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
  RebootThrough(kFastboot, &CvantrelToolDlg::CheckFastbootDevice, "重启失败,请确定手机是否在fastboot模式!\r\n");
}

void CvantrelToolDlg::RebootFromAdb() { RebootThrough(kAdb, &CvantrelToolDlg::CheckDevice, "重启失败,请手动重启!\r\n"); }

// The restarting line goes into the log before the command runs; the view shows it once the
// command has returned.
void CvantrelToolDlg::RebootThrough(ToolFile tool, int (CvantrelToolDlg::*check)(), const char* failure) {
  const CString command = ToolCommand(tool);
  if (!(this->*check)()) {
    WriteStampedLine(failure);
    return;
  }
  AppendLog(StampLog("手机正在重启,请耐心等待进入系统.\r\n"));
  RunTool(command + kArgReboot);
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
