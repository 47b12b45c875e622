// donationDlg: the donation dialog with the Alipay QR image.
#pragma once

#include "platform/afx.h"
#include "res/resource.h"

class donationDlg : public CDialogEx {
 public:
  enum { IDD = IDD_DONATION };

  donationDlg();
  ~donationDlg() override;

 protected:
  BOOL OnInitDialog() override;

  DECLARE_DYNAMIC(donationDlg)
  DECLARE_MESSAGE_MAP()
};
