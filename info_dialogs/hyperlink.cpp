// CHyperLink: link colours, underline while the pointer rests on it, hand cursor, shell open on click.
#include "info_dialogs/hyperlink.h"

#include <utility>

namespace {
// Selects an underline-adjusted copy of the control's font for one paint and undoes it on every path.
class ScopedFontCopy {
 public:
  ScopedFontCopy(CDC& dc, FontRef source, bool underline)
      : m_dc(dc), m_font(source ? CreateFontCopy(source, underline) : nullptr) {
    if (m_font) m_previous = m_dc.SelectFont(m_font);
  }
  ~ScopedFontCopy() {
    if (!m_font) return;
    m_dc.SelectFont(m_previous);
    DeleteFontRef(m_font);
  }
  ScopedFontCopy(const ScopedFontCopy&) = delete;
  ScopedFontCopy& operator=(const ScopedFontCopy&) = delete;

 private:
  CDC& m_dc;
  FontRef m_font;
  FontRef m_previous = nullptr;
};
}  // namespace

CHyperLink::CHyperLink()
    : m_hoverColor(RGB(0, 0, 255)),
      m_normalColor(RGB(0, 0, 255)),
      m_backColor(RGB(240, 240, 240)),
      m_hovering(FALSE) {}

CHyperLink::~CHyperLink() = default;

IMPLEMENT_DYNAMIC(CHyperLink, CStatic)

BEGIN_MESSAGE_MAP(CHyperLink, CStatic)
ON_WM_MOUSEMOVE()
ON_WM_LBUTTONUP()
ON_WM_PAINT()
ON_WM_MOUSEHOVER(&CHyperLink::OnMouseHover)
ON_WM_MOUSELEAVE(&CHyperLink::OnMouseLeave)
ON_WM_SETCURSOR()
END_MESSAGE_MAP()

void CHyperLink::SetURL(CString url) { m_url = std::move(url); }

void CHyperLink::PreSubclassWindow() {
  // A static without SS_NOTIFY lets the mouse through to its parent; the link needs it itself.
  SetStyle(GetStyle() | SS_NOTIFY);
  CStatic::PreSubclassWindow();
}

void CHyperLink::OnMouseMove(unsigned, CPoint) {
  // Asked again on every move: the system drops the request after each hover or leave.
  TrackMouseHoverAndLeave(1);
}

std::intptr_t CHyperLink::OnMouseHover(std::uintptr_t, std::intptr_t) {
  if (m_hovering) return 1;
  m_hovering = TRUE;
  Invalidate(TRUE);
  return 1;
}

std::intptr_t CHyperLink::OnMouseLeave(std::uintptr_t, std::intptr_t) {
  m_hovering = FALSE;
  Invalidate(TRUE);
  return 1;
}

BOOL CHyperLink::OnSetCursor(CWnd* pWnd, unsigned hitTest, unsigned message) {
  if (!m_hovering) return CStatic::OnSetCursor(pWnd, hitTest, message);
  SetHandCursor();
  return TRUE;
}

void CHyperLink::OnLButtonUp(unsigned, CPoint) {
  // Without an address the caption is the address, taken once: later text changes don't count.
  if (m_url.empty()) GetWindowText(m_url);
  ShellOpen(m_url);
}

void CHyperLink::OnPaint() {
  CPaintDC dc(this);
  const auto ownFont = reinterpret_cast<FontRef>(SendMessage(WM_GETFONT));
  // The underline follows the pointer alone, whatever the control's own font says.
  ScopedFontCopy font(dc, ownFont, m_hovering != FALSE);

  dc.SetTextColor(m_hovering ? m_hoverColor : m_normalColor);
  dc.SetBkMode(TRANSPARENT);

  CRect client;
  GetClientRect(&client);
  dc.FillSolidRect(client, m_backColor);

  TextMetrics metrics;
  dc.GetTextMetrics(&metrics);
  const CString text = GetWindowText();
  // One line from x = 0, centred vertically; integer division truncates toward zero.
  if (!text.empty()) dc.TextOut(0, client.top + (client.bottom - client.top - metrics.tmHeight) / 2, text);
}
