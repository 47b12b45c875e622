// The operation log: time stamps, appends, pushes and the clear-log button.
#include <ctime>

#include "main_dialog/vantrelToolDlg.h"
#include "tool_runtime/utf8_stream.h"

std::string FormatLogStamp(std::time_t when) {
  char buffer[64] = {};
  if (const std::tm* local = std::localtime(&when)) std::strftime(buffer, sizeof buffer, "[%Y-%m-%d %X]", local);
  return buffer;
}

void CvantrelToolDlg::AppendLog(const char* utf8Text) {
  if (!utf8Text) return;
  m_log += Utf8ToWide(utf8Text);
}

void CvantrelToolDlg::AppendLogWide(const wchar_t* text) {
  if (text) m_log += text;
}

const char* CvantrelToolDlg::StampLog(const char* message) {
  AppendLog(FormatLogStamp(std::time(nullptr)).c_str());
  Push();
  return message;
}

void CvantrelToolDlg::Push() {
  UpdateData(FALSE);
  for (int id : {IDC_LOG, IDC_DEVICE_STATUS, IDC_BL_STATUS})
    if (CWnd* box = GetDlgItem(id)) box->UpdateWindow();
}

void CvantrelToolDlg::WriteStampedLine(const char* message) {
  AppendLog(StampLog(message));
  Push();
}

void CvantrelToolDlg::OnClearLog() {
  if (CWnd* log = GetDlgItem(IDC_LOG)) log->SetWindowText(L"");
  UpdateData(TRUE);
}
