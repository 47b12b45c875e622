// CAboutDlg: everything is in the template; the box only binds the platform's default handling.
#include "info_dialogs/about_dlg.h"

CAboutDlg::CAboutDlg() : CDialogEx(IDD) {}
CAboutDlg::~CAboutDlg() = default;

BEGIN_MESSAGE_MAP(CAboutDlg, CDialogEx)
ON_WM_SYSCOMMAND()
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
END_MESSAGE_MAP()
