// The main dialog's construction, data exchange, start-up, event table and window handlers.
#include "main_dialog/vantrelToolDlg.h"

#include "info_dialogs/about_dlg.h"
#include "info_dialogs/about_vantrel.h"
#include "info_dialogs/donation_dlg.h"

CvantrelToolDlg::CvantrelToolDlg(CWnd* parent) : CDialogEx(IDD, parent) { m_hIcon = LoadIconResource(IDR_MAINFRAME); }

void CvantrelToolDlg::DoDataExchange(CDataExchange* pDX) {
  DDX_Text(pDX, IDC_LOG, m_log);
  DDX_Control(pDX, IDC_BRAND, m_brandCombo);
  DDX_Control(pDX, IDC_NOTE, m_note);
  DDX_Text(pDX, IDC_DEVICE_STATUS, m_deviceStatus);
  DDX_Text(pDX, IDC_BL_STATUS, m_bootloaderStatus);
}

BEGIN_MESSAGE_MAP(CvantrelToolDlg, CDialogEx)
ON_WM_SYSCOMMAND()
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
ON_BN_CLICKED(IDOK, &CvantrelToolDlg::OnClearLog)
ON_BN_CLICKED(IDCANCEL, &CDialogEx::OnCancel)
ON_BN_CLICKED(IDC_ABOUT_MAKER, &CvantrelToolDlg::OnAboutMaker)
ON_WM_CTLCOLOR()
ON_BN_CLICKED(IDC_DONATE, &CvantrelToolDlg::OnDonate)
ON_BN_CLICKED(IDC_DETECT_DEVICE, &CvantrelToolDlg::OnDetectDevice)
ON_BN_CLICKED(IDC_CHECK_BL, &CvantrelToolDlg::OnCheckBootloader)
ON_BN_CLICKED(IDC_REBOOT, &CvantrelToolDlg::OnReboot)
ON_BN_CLICKED(IDC_CHOOSE_RECOVERY, &CvantrelToolDlg::OnChooseRecovery)
ON_BN_CLICKED(IDC_FLASH, &CvantrelToolDlg::OnFlash)
ON_BN_CLICKED(IDC_REBOOT_RECOVERY, &CvantrelToolDlg::OnRebootRecovery)
END_MESSAGE_MAP()

BOOL CvantrelToolDlg::OnInitDialog() {
  CDialogEx::OnInitDialog();

  // The tools are written before the window first shows.
  DeployTools();

  if (CMenu* sysMenu = GetSystemMenu(FALSE)) {
    CString aboutText;
    LoadString(aboutText, IDS_ABOUTBOX);
    if (!aboutText.empty()) {
      sysMenu->AppendMenu(MF_SEPARATOR);
      sysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, aboutText.c_str());
    }
  }

  SetIcon(m_hIcon, TRUE);
  SetIcon(m_hIcon, FALSE);

  m_brandCombo.AddString(L"华为");
  m_brandCombo.AddString(L"小米");
  m_brandCombo.SetCurSel(1);
  return TRUE;
}

void CvantrelToolDlg::OnSysCommand(unsigned nID, std::intptr_t lParam) {
  if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
    CAboutDlg dlgAbout;
    dlgAbout.DoModal();
  } else {
    CDialogEx::OnSysCommand(nID, lParam);
  }
}

// Minimised, the client area shows the icon centred.
void CvantrelToolDlg::OnPaint() {
  if (!IsIconic()) {
    CDialogEx::OnPaint();
    return;
  }
  CPaintDC dc(this);
  SendMessage(WM_ICONERASEBKGND, reinterpret_cast<std::uintptr_t>(dc.GetSafeHdc()), 0);
  const int cxIcon = SystemMetric(SM_CXICON);
  const int cyIcon = SystemMetric(SM_CYICON);
  CRect rect;
  GetClientRect(&rect);
  dc.DrawIcon((rect.Width() - cxIcon + 1) / 2, (rect.Height() - cyIcon + 1) / 2, m_hIcon);
}

IconRef CvantrelToolDlg::OnQueryDragIcon() { return m_hIcon; }

BrushRef CvantrelToolDlg::OnCtlColor(CDC* pDC, CWnd* pWnd, unsigned nCtlColor) {
  BrushRef brush = CDialogEx::OnCtlColor(pDC, pWnd, nCtlColor);
  if (pWnd && pWnd->GetDlgCtrlID() == IDC_NOTE) pDC->SetTextColor(RGB(255, 0, 0));
  return brush;
}

void CvantrelToolDlg::OnAboutMaker() {
  about_vantrel dlg;
  dlg.DoModal();
}

void CvantrelToolDlg::OnDonate() {
  donationDlg dlg;
  dlg.DoModal();
}

CvantrelToolDlg::Brand CvantrelToolDlg::SelectedBrand() {
  const CString brand = m_brandCombo.GetWindowText();
  if (brand == L"华为") return Brand::Huawei;
  if (brand == L"小米") return Brand::Xiaomi;
  return Brand::Other;
}
