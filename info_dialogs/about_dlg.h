// CAboutDlg: the About box opened from the main window's system menu.
#pragma once

#include "platform/afx.h"
#include "res/resource.h"

class CAboutDlg : public CDialogEx {
 public:
  enum { IDD = IDD_ABOUTBOX };

  CAboutDlg();
  ~CAboutDlg() override;

  DECLARE_MESSAGE_MAP()
};
