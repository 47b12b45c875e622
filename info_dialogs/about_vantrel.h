// about_vantrel: the dialog about the maker, with links to the maker's site and microblog.
#pragma once

#include "info_dialogs/hyperlink.h"
#include "platform/afx.h"
#include "res/resource.h"

class about_vantrel : public CDialogEx {
 public:
  enum { IDD = IDD_ABOUT_MAKER };

  about_vantrel();
  ~about_vantrel() override;

  CHyperLink m_siteLink;
  CHyperLink m_blogLink;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;

  DECLARE_DYNAMIC(about_vantrel)
  DECLARE_MESSAGE_MAP()
};
