// The main dialog: its controls, held texts, event table, operation log and device operations.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "platform/afx.h"
#include "res/resource.h"
#include "tool_runtime/run_tool_command.h"
#include "tool_runtime/tool_files.h"

class CvantrelToolDlg : public CDialogEx {
 public:
  enum { IDD = IDD_MAIN_DIALOG };

  explicit CvantrelToolDlg(CWnd* parent = nullptr);

  // Operation log: appends change only m_log; a push shows it.
  void AppendLog(const char* utf8Text);
  void AppendLogWide(const wchar_t* text);
  const char* StampLog(const char* message);

  // Tool folder and deployment of the embedded tools.
  CString GetToolFolder();
  void DeployTools();

  // Device detection.
  void SetDeviceStatus(const CString& text);
  int CheckFastbootDevice();
  int CheckDevice();

  // Bootloader unlock check.
  void ShowBootloaderUnlocked();
  void ShowBootloaderLocked();
  int CheckUnlockHuawei();
  int CheckUnlockXiaomi();

  // Recovery flashing.
  void FlashRecoveryHuawei();
  void FlashRecoveryXiaomi();
  int BootTempRecovery();
  static int CountOkay(const CString& text);

  // Reboot operations.
  void RebootFromFastboot();
  void RebootFromAdb();
  void RebootToRecovery();

  // How long one tool command may run; tests shorten it.
  void SetToolTimeLimit(std::uint32_t ms) { m_toolTimeLimitMs = ms; }

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;

  void OnSysCommand(unsigned nID, std::intptr_t lParam);
  void OnPaint();
  IconRef OnQueryDragIcon();
  BrushRef OnCtlColor(CDC* pDC, CWnd* pWnd, unsigned nCtlColor);
  void OnClearLog();
  void OnAboutMaker();
  void OnDonate();
  void OnDetectDevice();
  void OnCheckBootloader();
  void OnChooseRecovery();
  void OnFlash();
  void OnReboot();
  void OnRebootRecovery();

  DECLARE_MESSAGE_MAP()

  IconRef m_hIcon;
  CString m_log;
  CComboBox m_brandCombo;
  CStatic m_note;
  CString m_deviceStatus;
  CString m_bootloaderStatus;

 private:
  enum class Brand { Huawei, Xiaomi, Other };
  Brand SelectedBrand();
  // Push: the held texts into their boxes, and the boxes painted now, because the next
  // tool command may block the window for minutes.
  void Push();
  // One stamped line: the stamp (pushed), then the message (pushed).
  void WriteStampedLine(const char* message);
  CString ToolCommand(ToolFile tool);  // the quoted tool path, ready for an argument text
  CString RunTool(const CString& commandLine);
  CString RecoveryPath();
  int CheckUnlock(const wchar_t* query, const wchar_t* answer);
  void FlashRecovery(const char* flashingMessage, bool bootAfterwards);
  void RebootThrough(ToolFile tool, int (CvantrelToolDlg::*check)(), const char* failure);

  std::uint32_t m_toolTimeLimitMs = kToolTimeLimitMs;
};

// "[%Y-%m-%d %X]" of `when` in local time: the 21-character stamp of a log line.
std::string FormatLogStamp(std::time_t when);
