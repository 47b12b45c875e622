// The probe dialog's handlers: each records what reached it, some act as the program's own would.
#include "tests/wine/probe_dialog.h"

namespace probe {

BEGIN_MESSAGE_MAP(ProbeLink, CStatic)
ON_WM_MOUSEMOVE()
ON_WM_LBUTTONUP()
ON_WM_PAINT()
ON_WM_MOUSEHOVER(&ProbeLink::OnMouseHover)
ON_WM_MOUSELEAVE(&ProbeLink::OnMouseLeave)
ON_WM_SETCURSOR()
END_MESSAGE_MAP()

void ProbeLink::PreSubclassWindow() { SetStyle(GetStyle() | SS_NOTIFY); }

void ProbeLink::OnMouseMove(unsigned, CPoint) {
  ++moves;
  TrackMouseHoverAndLeave(1);
}

std::intptr_t ProbeLink::OnMouseHover(std::uintptr_t, std::intptr_t) {
  ++hovers;
  hovering = true;
  Invalidate(TRUE);
  return 1;
}

std::intptr_t ProbeLink::OnMouseLeave(std::uintptr_t, std::intptr_t) {
  ++leaves;
  hovering = false;
  Invalidate(TRUE);
  return 1;
}

void ProbeLink::OnLButtonUp(unsigned, CPoint) { ++ups; }

BOOL ProbeLink::OnSetCursor(CWnd* wnd, unsigned hitTest, unsigned message) {
  if (!hovering) return CStatic::OnSetCursor(wnd, hitTest, message);
  SetHandCursor();
  handShown = true;
  return TRUE;
}

void ProbeLink::OnPaint() {
  CPaintDC dc(this);
  CRect r;
  GetClientRect(&r);
  dc.FillSolidRect(r, hovering ? kHover : kRest);
  ++paints;
}

BEGIN_MESSAGE_MAP(ProbeDialog, CDialogEx)
ON_WM_SYSCOMMAND()
ON_WM_CTLCOLOR()
ON_BN_CLICKED(IDOK, &ProbeDialog::OnEnter)
ON_BN_CLICKED(IDC_PULL, &ProbeDialog::OnPull)
ON_BN_CLICKED(IDC_BLOCK, &ProbeDialog::OnBlock)
ON_BN_CLICKED(IDC_NESTED, &ProbeDialog::OnNested)
ON_BN_CLICKED(IDC_BROWSE, &ProbeDialog::OnBrowse)
ON_BN_CLICKED(IDC_FINISH, &ProbeDialog::OnFinish)
END_MESSAGE_MAP()

std::wstring ProbeDialog::PaintedEventName(DWORD pid) { return L"vantrel-probe-painted-" + std::to_wstring(pid); }
std::wstring ProbeDialog::ReleaseEventName(DWORD pid) { return L"vantrel-probe-release-" + std::to_wstring(pid); }

ProbeDialog::ProbeDialog(bool sharedEvents)
    : CDialogEx(IDD_PROBE),
      painted(::CreateEventW(nullptr, TRUE, FALSE,
                             sharedEvents ? PaintedEventName(::GetCurrentProcessId()).c_str() : nullptr)),
      release(::CreateEventW(nullptr, TRUE, FALSE,
                             sharedEvents ? ReleaseEventName(::GetCurrentProcessId()).c_str() : nullptr)) {}

ProbeDialog::~ProbeDialog() {
  ::CloseHandle(painted);
  ::CloseHandle(release);
}

void ProbeDialog::DoDataExchange(CDataExchange* dx) {
  DDX_Text(dx, IDC_TEXT, m_text);
  DDX_Control(dx, IDC_LINK, m_link);
  DDX_Control(dx, IDC_LIST, m_list);
  DDX_Text(dx, IDC_LOGBOX, m_log);
}

BOOL ProbeDialog::OnInitDialog() {
  CDialogEx::OnInitDialog();
  hwndAtInit = GetSafeHwnd();
  m_list.AddString(L"小米");
  m_list.AddString(L"华为");
  m_list.SetCurSel(1);
  if (CMenu* menu = GetSystemMenu(FALSE)) {
    menu->AppendMenu(MF_SEPARATOR);
    menu->AppendMenu(MF_STRING, 16, L"关于 probe(&A)...");
  }
  return TRUE;
}

void ProbeDialog::OnEnter() { ++enters; }

void ProbeDialog::OnPull() {
  UpdateData(TRUE);
  pulled = m_text;
  m_log = L"got: " + m_text + L"\r\n";
  UpdateData(FALSE);
  ++pulls;
}

// A long tool run in miniature: show the log, then hold the thread until the test has looked.
void ProbeDialog::OnBlock() {
  m_log = L"WWWWWWWWWWWWWWWWWWWWWWWW\r\nWWWWWWWWWWWWWWWWWWWWWWWW\r\n";
  UpdateData(FALSE);
  if (CWnd* box = GetDlgItem(IDC_LOGBOX)) box->UpdateWindow();
  ::SetEvent(painted);
  ::WaitForSingleObject(release, 15000);
}

void ProbeDialog::OnNested() {
  CDialogEx nested(IDD_NESTED);
  nestedResult = nested.DoModal();
}

void ProbeDialog::OnBrowse() {
  CFileDialog dialog(TRUE, L"*.img", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                     L"IMG(*.img)|*.img|所有文件(*.*)|*.*|");
  fileResult = dialog.DoModal();
  filePath = dialog.GetPathName();
}

void ProbeDialog::OnFinish() { EndDialog(kFinished); }

void ProbeDialog::OnSysCommand(unsigned nID, std::intptr_t lParam) {
  sysCommands.push_back(nID);
  if ((nID & 0xFFF0) != 16) CDialogEx::OnSysCommand(nID, lParam);
}

BrushRef ProbeDialog::OnCtlColor(CDC* dc, CWnd* wnd, unsigned ctlColor) {
  BrushRef brush = CDialogEx::OnCtlColor(dc, wnd, ctlColor);
  if (wnd->GetDlgCtrlID() == IDC_RED) dc->SetTextColor(RGB(255, 0, 0));
  brushes[wnd->GetDlgCtrlID()] = brush;
  return brush;
}

}  // namespace probe
