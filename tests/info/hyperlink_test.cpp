// Headless tests of CHyperLink: hover state, cursor, click, style and painting.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "info_dialogs/hyperlink.h"
#include "platform/headless/headless.h"

namespace {

constexpr int kLinkId = 1027;

// A link attached to a control of an in-memory host window, as DDX_Control leaves it.
// Starts from a clean backend: drivers, records and fonts of earlier cases are forgotten.
struct AttachedLink {
  explicit AttachedLink(unsigned styleBefore = 0) {
    headless::Reset();
    hostWnd.Attach(&host);
    Control()->style = styleBefore;
    attached = link.SubclassDlgItem(kLinkId, &hostWnd);
  }
  headless::Window* Control() { return headless::Child(hostWnd, kLinkId); }

  headless::Window host;
  CWnd hostWnd;
  CHyperLink link;
  bool attached = false;
};

std::vector<std::wstring> PaintOnce(CWnd& wnd) {
  headless::PaintLog().clear();
  headless::Paint(wnd);
  return headless::PaintLog();
}

std::vector<std::wstring> LinesStartingWith(const std::vector<std::wstring>& log, const std::wstring& prefix) {
  std::vector<std::wstring> out;
  for (const auto& line : log)
    if (line.rfind(prefix, 0) == 0) out.push_back(line);
  return out;
}

// ---- Hover state, tracking and cursor -------------------------------------------------------

TEST(HyperLink, HoverStateFollowsTheNotificationsAndDrivesTheCursor) {
  AttachedLink t;
  ASSERT_TRUE(t.attached);
  enum class Event { Move, Hover, Leave };
  struct Step {
    const char* what;
    Event event;
    int trackDelta;       // tracking requests made by this event
    int invalidateDelta;  // repaints asked for by this event
    bool hoveringAfter;
  };
  const Step steps[] = {
      {"move while clear", Event::Move, 1, 0, false},
      {"leave while clear still repaints", Event::Leave, 0, 1, false},
      {"hover sets", Event::Hover, 0, 1, true},
      {"move while set asks again", Event::Move, 1, 0, true},
      {"second hover does nothing", Event::Hover, 0, 0, true},
      {"leave clears", Event::Leave, 0, 1, false},
      {"second leave repaints again", Event::Leave, 0, 1, false},
      {"hover after leave sets again", Event::Hover, 0, 1, true},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    headless::Window* w = t.Control();
    const int tracks = w->trackRequests;
    const int invalidates = w->invalidateCount;
    const int hands = headless::HandCursorCount();
    if (step.event == Event::Move) {
      headless::MouseMove(t.link);
    } else {
      // Hover and leave answer 1 (handled) in every state.
      const EventResult r = t.link.Dispatch(step.event == Event::Hover ? EventKind::MouseHover : EventKind::MouseLeave, {});
      EXPECT_TRUE(r.handled);
      EXPECT_EQ(r.value, 1);
    }
    EXPECT_EQ(w->trackRequests - tracks, step.trackDelta);
    if (step.trackDelta) {
      EXPECT_EQ(w->lastHoverTime, 1u);
    }
    EXPECT_EQ(w->invalidateCount - invalidates, step.invalidateDelta);
    // The cursor query is where the state shows: the hand only while hovering, else default.
    EXPECT_EQ(headless::SetCursorQuery(t.link), step.hoveringAfter);
    EXPECT_EQ(headless::HandCursorCount() - hands, step.hoveringAfter ? 1 : 0);
  }
}

// ---- Style ----------------------------------------------------------------------------------

TEST(HyperLink, AttachingAddsNotifyAndKeepsTheOtherStyleBits) {
  struct Case {
    unsigned before;
    unsigned after;
  };
  const Case cases[] = {
      {0x00000000u, 0x00000100u},
      {0x50020000u, 0x50020100u},  // child, visible, group
      {0x50000001u, 0x50000101u},  // centred text stays centred
      {0x50000100u, 0x50000100u},  // already notifying
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.before);
    AttachedLink t(c.before);
    ASSERT_TRUE(t.attached);
    EXPECT_EQ(t.Control()->style, c.after);
  }
}

// ---- Click ----------------------------------------------------------------------------------

TEST(HyperLink, ClickOpensTheAddressOrTheTextTakenOnce) {
  struct Case {
    const char* what;
    std::optional<std::wstring> url;  // SetURL before the clicks, if any
    std::wstring textAtFirstClick;
    std::wstring textAtSecondClick;
    bool hoverBetween;
    std::vector<std::wstring> opened;
  };
  const Case cases[] = {
      {"address set: the caption is never opened", L"https://www.example.com/", L"官网：www.example.com",
       L"官网：www.example.com", false, {L"https://www.example.com/", L"https://www.example.com/"}},
      {"no address: the text is copied once", std::nullopt, L"微博：https://weibo.example.com/v", L"changed", false,
       {L"微博：https://weibo.example.com/v", L"微博：https://weibo.example.com/v"}},
      {"empty address counts as none", L"", L"text", L"later", false, {L"text", L"text"}},
      {"empty text opens empty text and is not kept", std::nullopt, L"", L"later", false, {L"", L"later"}},
      {"hovering makes no difference", L"https://a.example/", L"a", L"a", true,
       {L"https://a.example/", L"https://a.example/"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    AttachedLink t;
    ASSERT_TRUE(t.attached);
    if (c.url) t.link.SetURL(*c.url);
    t.link.SetWindowText(c.textAtFirstClick);
    headless::LButtonUp(t.link);
    t.link.SetWindowText(c.textAtSecondClick);
    if (c.hoverBetween) headless::MouseHover(t.link);
    headless::LButtonUp(t.link);
    EXPECT_EQ(headless::OpenedAddresses(), c.opened);
  }
}

// ---- Painting -------------------------------------------------------------------------------

TEST(HyperLink, PaintDrawsInOrderAndReleasesTheFontCopy) {
  AttachedLink t;
  ASSERT_TRUE(t.attached);
  t.Control()->font = headless::MakeFont(false);
  t.Control()->client = CRect{0, 0, 100, 10};
  t.link.SetWindowText(L"官网：www.example.com");
  headless::SetTextHeight(13);
  headless::MouseHover(t.link);

  const std::vector<std::wstring> expected = {
      L"BeginPaint",
      L"SelectFont underline=1",
      L"SetTextColor 00FF0000",
      L"SetBkMode 1",
      L"FillSolidRect 0,0,100,10 00F0F0F0",
      L"TextOut 0,-1 官网：www.example.com",
      L"SelectFont underline=0",  // the context's previous font back before the copy is deleted
      L"EndPaint",
  };
  EXPECT_EQ(PaintOnce(t.link), expected);
  EXPECT_EQ(headless::LiveFonts(), 0);
}

TEST(HyperLink, TextIsCentredVerticallyWithTruncatingDivision) {
  struct Case {
    CRect client;
    int textHeight;
    int y;
  };
  const Case cases[] = {
      {{0, 0, 100, 10}, 13, -1},  // -3 / 2 truncates to -1, not -2
      {{0, 0, 100, 12}, 13, 0},   // -1 / 2 truncates to 0
      {{0, 0, 100, 20}, 13, 3},
      {{0, 0, 100, 21}, 13, 4},
      {{0, 5, 100, 25}, 13, 8},  // measured from the client top
      {{0, 0, 100, 0}, 13, -6},
      {{0, 0, 100, 20}, 16, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "height " << c.client.Height() << ", text " << c.textHeight);
    AttachedLink t(0x50000001u);  // a centring style is ignored: always from x = 0
    ASSERT_TRUE(t.attached);
    t.Control()->font = headless::MakeFont(false);
    t.Control()->client = c.client;
    t.link.SetWindowText(L"abc");
    headless::SetTextHeight(c.textHeight);
    EXPECT_EQ(LinesStartingWith(PaintOnce(t.link), L"TextOut"),
              std::vector<std::wstring>{L"TextOut 0," + std::to_wstring(c.y) + L" abc"});
  }
}

TEST(HyperLink, UnderlineOnlyWhileHoveringWhateverTheOwnFont) {
  struct Case {
    const char* what;
    std::optional<bool> fontUnderlined;  // nullopt: the control has no font
    bool hovering;
    std::vector<std::wstring> fontLines;  // the copy selected, then the previous font back
  };
  const Case cases[] = {
      {"plain font, away", false, false, {L"SelectFont underline=0", L"SelectFont underline=0"}},
      {"plain font, hovering", false, true, {L"SelectFont underline=1", L"SelectFont underline=0"}},
      {"underlined font, away", true, false, {L"SelectFont underline=0", L"SelectFont underline=0"}},
      {"underlined font, hovering", true, true, {L"SelectFont underline=1", L"SelectFont underline=0"}},
      {"no font, away: the context's font stays", std::nullopt, false, {}},
      {"no font, hovering: still no copy, no underline", std::nullopt, true, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    AttachedLink t;
    ASSERT_TRUE(t.attached);
    if (c.fontUnderlined) t.Control()->font = headless::MakeFont(*c.fontUnderlined);
    t.link.SetWindowText(L"x");
    if (c.hovering) headless::MouseHover(t.link);

    const auto log = PaintOnce(t.link);
    EXPECT_EQ(LinesStartingWith(log, L"SelectFont"), c.fontLines);
    // The same blue in both states, the fixed grey fill, transparent text background.
    EXPECT_EQ(LinesStartingWith(log, L"SetTextColor"), std::vector<std::wstring>{L"SetTextColor 00FF0000"});
    EXPECT_EQ(LinesStartingWith(log, L"SetBkMode"), std::vector<std::wstring>{L"SetBkMode 1"});
    EXPECT_EQ(LinesStartingWith(log, L"FillSolidRect"),
              std::vector<std::wstring>{L"FillSolidRect 0,0,100,20 00F0F0F0"});
    EXPECT_EQ(LinesStartingWith(log, L"TextOut").size(), 1u);
    EXPECT_EQ(headless::LiveFonts(), 0);
  }
}

TEST(HyperLink, EmptyTextFillsTheBackgroundAndDrawsNoText) {
  AttachedLink t;
  ASSERT_TRUE(t.attached);
  t.Control()->font = headless::MakeFont(false);
  t.Control()->client = CRect{0, 0, 80, 12};
  const auto log = PaintOnce(t.link);
  EXPECT_EQ(LinesStartingWith(log, L"FillSolidRect"), std::vector<std::wstring>{L"FillSolidRect 0,0,80,12 00F0F0F0"});
  EXPECT_TRUE(LinesStartingWith(log, L"TextOut").empty());
  EXPECT_EQ(headless::LiveFonts(), 0);
}

}  // namespace
