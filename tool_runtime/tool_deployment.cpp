// The tool folder and the writing of the embedded adb/fastboot files when the window opens.
#include "main_dialog/vantrelToolDlg.h"

CString CvantrelToolDlg::GetToolFolder() {
  if (!EnsureToolFolder(ToolFolderPath())) WriteStampedLine("无法创建工具文件夹!\r\n");
  // Asked again: on POSIX a folder that turned out not to be ours is replaced by a private one.
  return ToolFolderPath();
}

void CvantrelToolDlg::DeployTools() {
  for (const ToolFileEntry& entry : DeployedToolFiles())
    ExtractToolResource(ToolFilePath(GetToolFolder(), entry.file), entry.id, entry.type);
}

CString CvantrelToolDlg::ToolCommand(ToolFile tool) { return QuoteArgument(ToolFilePath(GetToolFolder(), tool)); }

CString CvantrelToolDlg::RunTool(const CString& commandLine) {
  CString output;
  std::uint32_t exitCode = 0;
  RunToolCommand(commandLine, output, exitCode, m_toolTimeLimitMs);
  return output;
}
