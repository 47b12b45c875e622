// about_vantrel: attaches the two link lines and gives them the maker's addresses.
#include "info_dialogs/about_vantrel.h"

#include "res/maker_info.h"
#include "tool_runtime/utf8_stream.h"

about_vantrel::about_vantrel() : CDialogEx(IDD) {}
about_vantrel::~about_vantrel() = default;

void about_vantrel::DoDataExchange(CDataExchange* pDX) {
  CDialogEx::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_SITE_LINK, m_siteLink);
  DDX_Control(pDX, IDC_BLOG_LINK, m_blogLink);
}

IMPLEMENT_DYNAMIC(about_vantrel, CDialogEx)

BEGIN_MESSAGE_MAP(about_vantrel, CDialogEx)
END_MESSAGE_MAP()

BOOL about_vantrel::OnInitDialog() {
  CDialogEx::OnInitDialog();  // runs the exchange: both links are attached from here on

  // The site line shows only the host name; a click opens the whole address.
  m_siteLink.SetURL(Utf8ToWide(VANTREL_MAKER_SITE_URL));
  m_blogLink.SetURL(Utf8ToWide(VANTREL_MAKER_BLOG_URL));
  return TRUE;  // focus to the first tab stop
}
