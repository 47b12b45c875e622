// donationDlg: the template shows the QR image; the dialog ends through the platform's Cancel.
#include "info_dialogs/donation_dlg.h"

donationDlg::donationDlg() : CDialogEx(IDD) {}
donationDlg::~donationDlg() = default;

IMPLEMENT_DYNAMIC(donationDlg, CDialogEx)

BEGIN_MESSAGE_MAP(donationDlg, CDialogEx)
END_MESSAGE_MAP()

BOOL donationDlg::OnInitDialog() {
  CDialogEx::OnInitDialog();
  return TRUE;
}
