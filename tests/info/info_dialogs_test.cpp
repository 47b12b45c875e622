// Headless tests of the About box, the maker dialog and the donation dialog: their modal life.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "info_dialogs/about_dlg.h"
#include "info_dialogs/about_vantrel.h"
#include "info_dialogs/donation_dlg.h"
#include "platform/headless/headless.h"
#include "res/maker_info.h"
#include "tool_runtime/utf8_stream.h"

namespace {

constexpr unsigned kSysClose = 0xF060;
constexpr unsigned kSysMove = 0xF010;

// An application whose main window is an in-memory window, as while the main dialog runs.
class InfoDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::Reset();
    m_main.Attach(&m_mainWindow);
    m_app.m_pMainWnd = &m_main;
  }
  void TearDown() override { headless::Reset(); }

  headless::Window m_mainWindow;
  CWnd m_main;
  CWinApp m_app;
};

template <class Dialog>
std::intptr_t OpenLikeTheMainDialog() {
  Dialog dlg;  // a local, no parent, destroyed on return
  return dlg.DoModal();
}

TEST_F(InfoDialogTest, EachDialogRunsModallyOverTheMainWindowAndReturnsItsEndCode) {
  using Action = std::function<void(CDialogEx&)>;
  struct Case {
    const char* what;
    unsigned templateId;
    std::function<std::intptr_t()> open;
    Action user;  // what the user does while the dialog is up; empty: nothing
    std::intptr_t endCode;
  };
  const Action enter = [](CDialogEx& d) { headless::PressEnter(d); };
  const Action escape = [](CDialogEx& d) { headless::PressEscape(d); };
  const Action closeBox = [](CDialogEx& d) { headless::SysCommand(d, kSysClose); };
  const Action cancelButton = [](CDialogEx& d) { headless::Click(d, IDCANCEL); };
  const Action moveThenEnter = [](CDialogEx& d) {
    headless::SysCommand(d, kSysMove);  // default processing: the box stays open
    headless::PressEnter(d);
  };
  const Case cases[] = {
      {"About: OK", 100, OpenLikeTheMainDialog<CAboutDlg>, enter, IDOK},
      {"About: Escape", 100, OpenLikeTheMainDialog<CAboutDlg>, escape, IDCANCEL},
      {"About: close box through its own system-command entry", 100, OpenLikeTheMainDialog<CAboutDlg>, closeBox,
       IDCANCEL},
      {"About: other system commands leave it open", 100, OpenLikeTheMainDialog<CAboutDlg>, moveThenEnter, IDOK},
      {"About: the user does nothing", 100, OpenLikeTheMainDialog<CAboutDlg>, nullptr, IDCANCEL},
      {"maker: OK", 133, OpenLikeTheMainDialog<about_vantrel>, enter, IDOK},
      {"maker: Escape", 133, OpenLikeTheMainDialog<about_vantrel>, escape, IDCANCEL},
      {"maker: close box", 133, OpenLikeTheMainDialog<about_vantrel>, closeBox, IDCANCEL},
      {"donation: Cancel button", 134, OpenLikeTheMainDialog<donationDlg>, cancelButton, IDCANCEL},
      {"donation: Escape", 134, OpenLikeTheMainDialog<donationDlg>, escape, IDCANCEL},
      {"donation: close box", 134, OpenLikeTheMainDialog<donationDlg>, closeBox, IDCANCEL},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    headless::Reset();
    int runs = 0;
    bool mainEnabledMeanwhile = true;
    unsigned shownTemplate = 0;
    headless::SetModalDriver(c.templateId, [&](CDialogEx& d) {
      ++runs;
      mainEnabledMeanwhile = m_main.IsWindowEnabled();
      shownTemplate = d.GetTemplateId();
      if (c.user) c.user(d);
    });
    EXPECT_EQ(c.open(), c.endCode);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(shownTemplate, c.templateId);
    EXPECT_FALSE(mainEnabledMeanwhile);
    EXPECT_TRUE(m_main.IsWindowEnabled());
  }
}

TEST_F(InfoDialogTest, MakerLinksAreAttachedWithTheMakersAddressesWhileShown) {
  const std::wstring siteUrl = Utf8ToWide(VANTREL_MAKER_SITE_URL);
  const std::wstring blogUrl = Utf8ToWide(VANTREL_MAKER_BLOG_URL);
  // The site line shows only the host; the address it opens carries the scheme in front.
  EXPECT_EQ(siteUrl.rfind(L"https://" + Utf8ToWide(VANTREL_MAKER_HOST), 0), 0u);

  about_vantrel dlg;
  bool ran = false;
  headless::SetModalDriver(133, [&](CDialogEx&) {
    ran = true;
    CHyperLink* links[] = {&dlg.m_siteLink, &dlg.m_blogLink};
    const int ids[] = {1027, 1028};
    for (int i = 0; i < 2; ++i) {
      SCOPED_TRACE(ids[i]);
      ASSERT_NE(links[i]->GetSafeHwnd(), nullptr);
      EXPECT_EQ(links[i]->GetDlgCtrlID(), ids[i]);
      EXPECT_EQ(dlg.GetDlgItem(ids[i]), links[i]);
      EXPECT_EQ(headless::WindowOf(*links[i])->routedTo, links[i]);  // its events reach the link
      EXPECT_NE(headless::WindowOf(*links[i])->style & SS_NOTIFY, 0u);
      EXPECT_FALSE(headless::SetCursorQuery(*links[i]));  // starts not hovering
    }
    // Each line opens its own address, not its caption.
    dlg.m_siteLink.SetWindowText(L"官网：" + Utf8ToWide(VANTREL_MAKER_HOST));
    dlg.m_blogLink.SetWindowText(L"微博：" + blogUrl);
    headless::LButtonUp(dlg.m_siteLink);
    headless::LButtonUp(dlg.m_blogLink);
    headless::PressEnter(dlg);
  });
  EXPECT_EQ(dlg.DoModal(), IDOK);
  ASSERT_TRUE(ran);
  EXPECT_EQ(headless::OpenedAddresses(), (std::vector<std::wstring>{siteUrl, blogUrl}));
  // The window is gone: the links let go of it.
  EXPECT_EQ(dlg.m_siteLink.GetSafeHwnd(), nullptr);
  EXPECT_EQ(dlg.m_blogLink.GetSafeHwnd(), nullptr);
}

TEST_F(InfoDialogTest, OpeningTheMakerDialogAgainStartsFresh) {
  std::vector<bool> hoveringAtStart;
  headless::SetModalDriver(133, [&](CDialogEx& d) {
    auto& dlg = static_cast<about_vantrel&>(d);
    hoveringAtStart.push_back(headless::SetCursorQuery(dlg.m_siteLink) || headless::SetCursorQuery(dlg.m_blogLink));
    // Leave both links hovering when the dialog goes.
    headless::MouseHover(dlg.m_siteLink);
    headless::MouseHover(dlg.m_blogLink);
    headless::PressEscape(dlg);
  });
  for (int i = 0; i < 2; ++i) EXPECT_EQ(OpenLikeTheMainDialog<about_vantrel>(), IDCANCEL);
  EXPECT_EQ(hoveringAtStart, (std::vector<bool>{false, false}));
}

}  // namespace

namespace {

TEST(RuntimeClass, DialogsAndTheLinkAnswerWhatTheyAre) {
  about_vantrel maker;
  donationDlg donation;
  const struct {
    const CWnd* object;
    const char* name;
    const CRuntimeClass* base;
  } cases[] = {
      {&maker, "about_vantrel", RUNTIME_CLASS(CDialogEx)},
      {&donation, "donationDlg", RUNTIME_CLASS(CDialogEx)},
      {&maker.m_siteLink, "CHyperLink", RUNTIME_CLASS(CStatic)},
  };
  for (const auto& c : cases) {
    EXPECT_STREQ(c.object->GetRuntimeClass()->m_lpszClassName, c.name);
    EXPECT_TRUE(c.object->IsKindOf(c.base));
    EXPECT_TRUE(c.object->IsKindOf(RUNTIME_CLASS(CWnd)));
  }
  EXPECT_FALSE(maker.IsKindOf(RUNTIME_CLASS(CStatic)));
  CAboutDlg about;  // keeps the base's class information
  EXPECT_STREQ(about.GetRuntimeClass()->m_lpszClassName, "CDialogEx");
}

}  // namespace
