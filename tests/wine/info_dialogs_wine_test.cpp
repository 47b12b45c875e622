// vantrelTool.exe under Wine: the About box, the maker dialog and the donation dialog, opened and closed as a user would.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "res/maker_info.h"
#include "res/resource.h"
#include "tests/wine/ui_driver.h"
#include "tool_runtime/utf8_stream.h"

#ifndef VANTREL_TOOL_EXE
#error "VANTREL_TOOL_EXE must name the built vantrelTool.exe"
#endif

using namespace wineui;

namespace {

constexpr wchar_t kDialogClass[] = L"#32770";

bool IsLinkBlue(std::uint32_t p) { return Blue(p) > 150 && Red(p) < 110 && Green(p) < 110; }
bool IsLinkBackground(std::uint32_t p) { return p == 0xF0F0F0; }

// One run of the program for the whole suite: starting Wine takes seconds, and every case
// leaves the main window as it found it.
class InfoDialogsWine : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_temp = std::make_unique<TempFolder>(L"info");
    std::wstring error;
    s_program = Program::Start(WindowsPath(VANTREL_TOOL_EXE), {{L"TMP", s_temp->Path()}, {L"TEMP", s_temp->Path()}},
                               &error);
    if (s_program) s_main = s_program->WaitForWindow(kDialogClass, L"vantrelTool");
    s_startError = error;
  }
  static void TearDownTestSuite() {
    if (s_program && s_main) {
      ::PostMessageW(s_main, WM_SYSCOMMAND, SC_CLOSE, 0);
      s_program->WaitForExit(10s);
    }
    s_program.reset();  // ends it if it is still there
    s_temp.reset();
  }

  void SetUp() override {
    ASSERT_TRUE(s_program) << std::string(s_startError.begin(), s_startError.end());
    ASSERT_TRUE(s_main) << "the main window did not appear";
    // Every case starts from the main window alone and enabled.
    ASSERT_TRUE(WaitUntil([] { return ::IsWindowEnabled(s_main) && TopWindows(s_program->Id()).size() == 1; }));
  }

  static HWND Main() { return s_main; }
  static HWND WaitForDialog() { return s_program->WaitForOtherWindow(s_main); }

  // Closes `dialog` and waits for the main window to be back, enabled and alone.
  static void ExpectClosedAndMainBack(HWND dialog) {
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(dialog); })) << "the dialog stayed open";
    EXPECT_TRUE(WaitUntil([] { return ::IsWindowEnabled(s_main) != FALSE; })) << "the main window stayed disabled";
    EXPECT_EQ(TopWindows(s_program->Id()).size(), 1u);
  }

  static std::unique_ptr<TempFolder> s_temp;
  static std::unique_ptr<Program> s_program;
  static HWND s_main;
  static std::wstring s_startError;
};

std::unique_ptr<TempFolder> InfoDialogsWine::s_temp;
std::unique_ptr<Program> InfoDialogsWine::s_program;
HWND InfoDialogsWine::s_main = nullptr;
std::wstring InfoDialogsWine::s_startError;

// The statics of a dialog without an id of their own, by text.
std::vector<std::wstring> StaticTexts(HWND dialog) {
  std::vector<std::wstring> texts;
  for (HWND c : Children(dialog))
    if (ClassOf(c) == L"Static") texts.push_back(Text(c));
  return texts;
}

bool HasStaticOfType(HWND dialog, DWORD type) {
  for (HWND c : Children(dialog))
    if (ClassOf(c) == L"Static" && (Style(c) & SS_TYPEMASK) == type) return true;
  return false;
}

void ExpectAboutBox(HWND dlg) {
  EXPECT_EQ(Text(dlg), L"关于 vantrelTool");
  EXPECT_EQ(Text(::GetDlgItem(dlg, IDOK)), L"确定");
  const auto texts = StaticTexts(dlg);
  EXPECT_NE(std::find(texts.begin(), texts.end(), L"vantrelTool，1.0 版"), texts.end());
  EXPECT_NE(std::find(texts.begin(), texts.end(), Utf8ToWide(VANTREL_ABOUT_SECOND_LINE)), texts.end());
  EXPECT_TRUE(HasStaticOfType(dlg, SS_ICON));
}

void ExpectMakerDialog(HWND dlg) {
  EXPECT_EQ(Text(dlg), L"关于vantrel");
  EXPECT_EQ(Text(::GetDlgItem(dlg, IDOK)), L"确定");
  const std::wstring email = Utf8ToWide(VANTREL_MAKER_EMAIL);
  const auto texts = StaticTexts(dlg);
  for (const std::wstring& line :
       {std::wstring(L"版本：V1.0"), std::wstring(L"支持机型：华为、小米（高通芯片）机型"), L"问题反馈建议：" + email,
        L"支付宝捐赠账号：" + email}) {
    EXPECT_NE(std::find(texts.begin(), texts.end(), line), texts.end()) << std::string(line.begin(), line.end());
  }
  HWND site = ::GetDlgItem(dlg, IDC_SITE_LINK);
  HWND blog = ::GetDlgItem(dlg, IDC_BLOG_LINK);
  EXPECT_EQ(Text(site), L"官网：" + Utf8ToWide(VANTREL_MAKER_HOST));
  EXPECT_EQ(Text(blog), L"微博：" + Utf8ToWide(VANTREL_MAKER_BLOG_URL));
  // The links were attached: attaching is what turns on SS_NOTIFY.
  EXPECT_NE(Style(site) & SS_NOTIFY, 0u);
  EXPECT_NE(Style(blog) & SS_NOTIFY, 0u);
}

void ExpectDonationDialog(HWND dlg) {
  EXPECT_EQ(Text(dlg), L"捐赠开发者");
  EXPECT_EQ(Text(::GetDlgItem(dlg, IDCANCEL)), L"取消");
  EXPECT_EQ(::GetDlgItem(dlg, IDOK), nullptr);
  const auto texts = StaticTexts(dlg);
  EXPECT_NE(std::find(texts.begin(), texts.end(), L"支付宝二维码捐赠，打开支付宝扫一扫即可捐赠"), texts.end());
  EXPECT_TRUE(HasStaticOfType(dlg, SS_BITMAP));
}

enum class Opening { MakerButton, DonateButton, SystemCommand };
enum class Closing { OkButton, CancelButton, Escape, Enter, CloseCommand };

void Open(HWND main, Opening how, unsigned sysCommand) {
  switch (how) {
    case Opening::MakerButton:
    case Opening::DonateButton:
      ASSERT_TRUE(BringToFront(main));
      Click(::GetDlgItem(main, how == Opening::MakerButton ? IDC_ABOUT_MAKER : IDC_DONATE));
      break;
    case Opening::SystemCommand:
      // What choosing the system-menu entry sends (the low four bits are the system's own).
      ::PostMessageW(main, WM_SYSCOMMAND, sysCommand, 0);
      break;
  }
}

void Close(HWND dialog, Closing how) {
  ASSERT_TRUE(BringToFront(dialog));
  switch (how) {
    case Closing::OkButton: Click(::GetDlgItem(dialog, IDOK)); break;
    case Closing::CancelButton: Click(::GetDlgItem(dialog, IDCANCEL)); break;
    case Closing::Escape: PressKey(VK_ESCAPE); break;
    case Closing::Enter: PressKey(VK_RETURN); break;
    case Closing::CloseCommand: ::PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); break;  // the close box
  }
}

TEST_F(InfoDialogsWine, EachDialogOpensOverTheDisabledMainWindowAndClosesEveryWay) {
  struct Case {
    const char* what;
    Opening open;
    unsigned sysCommand;
    void (*expect)(HWND);
    Closing close;
  };
  const Case cases[] = {
      {"About from the menu entry, OK button", Opening::SystemCommand, IDM_ABOUTBOX, ExpectAboutBox, Closing::OkButton},
      {"About from command 17, Escape", Opening::SystemCommand, 17, ExpectAboutBox, Closing::Escape},
      {"About from command 31, Enter", Opening::SystemCommand, 31, ExpectAboutBox, Closing::Enter},
      {"About, close box", Opening::SystemCommand, IDM_ABOUTBOX, ExpectAboutBox, Closing::CloseCommand},
      {"maker, OK button", Opening::MakerButton, 0, ExpectMakerDialog, Closing::OkButton},
      {"maker, Escape", Opening::MakerButton, 0, ExpectMakerDialog, Closing::Escape},
      {"maker, Enter", Opening::MakerButton, 0, ExpectMakerDialog, Closing::Enter},
      {"maker, close box", Opening::MakerButton, 0, ExpectMakerDialog, Closing::CloseCommand},
      {"donation, Cancel button", Opening::DonateButton, 0, ExpectDonationDialog, Closing::CancelButton},
      {"donation, Escape", Opening::DonateButton, 0, ExpectDonationDialog, Closing::Escape},
      {"donation, Enter presses Cancel", Opening::DonateButton, 0, ExpectDonationDialog, Closing::Enter},
      {"donation, close box", Opening::DonateButton, 0, ExpectDonationDialog, Closing::CloseCommand},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Open(Main(), c.open, c.sysCommand);
    HWND dialog = WaitForDialog();
    ASSERT_NE(dialog, nullptr) << "no dialog opened";
    EXPECT_EQ(ClassOf(dialog), kDialogClass);
    EXPECT_FALSE(::IsWindowEnabled(Main()));
    c.expect(dialog);
    Close(dialog, c.close);
    ExpectClosedAndMainBack(dialog);
    if (HasFatalFailure()) return;
  }
}

TEST_F(InfoDialogsWine, SystemCommand32OpensNoAboutBox) {
  // 32 goes first; the 16 after it must then be the only thing that opens a box. Had 32 opened
  // one, the 16 would open a second over it and the main window would stay disabled below.
  ::PostMessageW(Main(), WM_SYSCOMMAND, 32, 0);
  ::PostMessageW(Main(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
  HWND about = WaitForDialog();
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(Text(about), L"关于 vantrelTool");
  Close(about, Closing::Escape);
  ExpectClosedAndMainBack(about);
}

TEST_F(InfoDialogsWine, MakerLinksAreBlueOnGreyAndUnderlinedOnlyUnderThePointer) {
  Open(Main(), Opening::MakerButton, 0);
  HWND dialog = WaitForDialog();
  ASSERT_NE(dialog, nullptr);
  HWND site = ::GetDlgItem(dialog, IDC_SITE_LINK);
  HWND blog = ::GetDlgItem(dialog, IDC_BLOG_LINK);
  RECT dialogRect{};
  ::GetWindowRect(dialog, &dialogRect);
  const POINT away{dialogRect.left + 4, dialogRect.bottom - 4};  // inside the frame, on no control
  MoveTo(away);

  // Window-relative rectangles of the two lines in a capture of the whole dialog.
  auto inShot = [&](HWND control) {
    RECT r{};
    ::GetWindowRect(control, &r);
    ::OffsetRect(&r, -dialogRect.left, -dialogRect.top);
    return r;
  };
  const RECT siteRect = inShot(site);
  const RECT blogRect = inShot(blog);
  const int siteArea = (siteRect.right - siteRect.left) * (siteRect.bottom - siteRect.top);

  int restingBlue = 0;
  ASSERT_TRUE(WaitUntil([&] {
    const Shot shot = Capture(dialog);
    restingBlue = shot.Count(siteRect, IsLinkBlue);
    return restingBlue > 0 && shot.Count(blogRect, IsLinkBlue) > 0;
  })) << "the link lines are not drawn in blue";
  {
    const Shot shot = Capture(dialog);
    EXPECT_GT(shot.Count(siteRect, IsLinkBackground), siteArea / 2) << "the link background is not the fixed grey";
  }
  SaveScreenshot(dialog, L"maker_dialog");

  // Resting on the site line underlines it: a row of blue as wide as the text appears.
  MoveTo(CentreOf(site));
  int hoverBlue = 0;
  EXPECT_TRUE(WaitUntil([&] {
    hoverBlue = Capture(dialog).Count(siteRect, IsLinkBlue);
    return hoverBlue >= restingBlue + 20;
  })) << "no underline while hovering: " << restingBlue << " -> " << hoverBlue;
  SaveScreenshot(dialog, L"maker_dialog_hover");

  // Leaving takes it away again.
  MoveTo(away);
  EXPECT_TRUE(WaitUntil([&] { return Capture(dialog).Count(siteRect, IsLinkBlue) <= restingBlue + 5; }))
      << "the underline stayed after the pointer left";

  Close(dialog, Closing::Escape);
  ExpectClosedAndMainBack(dialog);
}

TEST_F(InfoDialogsWine, AboutAndDonationScreenshotsAndTheQrImageShownWhole) {
  ::PostMessageW(Main(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
  HWND about = WaitForDialog();
  ASSERT_NE(about, nullptr);
  EXPECT_FALSE(SaveScreenshot(about, L"about_box").empty());
  Close(about, Closing::Escape);
  ExpectClosedAndMainBack(about);

  Open(Main(), Opening::DonateButton, 0);
  HWND donation = WaitForDialog();
  ASSERT_NE(donation, nullptr);
  HWND qr = nullptr;
  for (HWND c : Children(donation))
    if (ClassOf(c) == L"Static" && (Style(c) & SS_TYPEMASK) == SS_BITMAP) qr = c;
  ASSERT_NE(qr, nullptr);
  // The bitmap is shown at its own size (292 x 299) and lies wholly inside the dialog.
  RECT client{};
  ::GetClientRect(donation, &client);
  const RECT qrRect = RectIn(qr, donation);
  EXPECT_EQ(qrRect.right - qrRect.left, 292);
  EXPECT_EQ(qrRect.bottom - qrRect.top, 299);
  EXPECT_GE(qrRect.left, client.left);
  EXPECT_GE(qrRect.top, client.top);
  EXPECT_LE(qrRect.right, client.right);
  EXPECT_LE(qrRect.bottom, client.bottom);
  // A QR code is dark and light modules in roughly equal parts.
  RECT qrInShot{};
  ::GetWindowRect(qr, &qrInShot);
  RECT donationRect{};
  ::GetWindowRect(donation, &donationRect);
  ::OffsetRect(&qrInShot, -donationRect.left, -donationRect.top);
  const int area = 292 * 299;
  int dark = 0;
  EXPECT_TRUE(WaitUntil([&] {
    dark = Capture(donation).Count(qrInShot, IsDark);
    return dark > area / 5 && dark < area * 4 / 5;
  })) << "dark pixels in the QR image: " << dark << " of " << area;
  EXPECT_FALSE(SaveScreenshot(donation, L"donation_dialog").empty());
  Close(donation, Closing::Escape);
  ExpectClosedAndMainBack(donation);
}

}  // namespace
