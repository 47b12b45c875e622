// Paint contexts and fonts on GDI.
#include "platform/win32/win32.h"

namespace {
HDC D(const CDC& dc) { return static_cast<HDC>(dc.GetSafeHdc()); }

// What EndPaint needs back from BeginPaint.
struct PaintState {
  HWND hwnd;
  PAINTSTRUCT ps;
};
}  // namespace

COLORREF CDC::SetTextColor(COLORREF color) { return m_hDC ? ::SetTextColor(D(*this), color) : CLR_INVALID; }

int CDC::SetBkMode(int mode) { return m_hDC ? ::SetBkMode(D(*this), mode) : 0; }

void CDC::FillSolidRect(const CRect& rect, COLORREF color) {
  if (!m_hDC) return;
  HBRUSH brush = ::CreateSolidBrush(color);
  if (!brush) return;
  const RECT r{rect.left, rect.top, rect.right, rect.bottom};
  ::FillRect(D(*this), &r, brush);
  ::DeleteObject(brush);
}

BOOL CDC::GetTextMetrics(TextMetrics* metrics) {
  TEXTMETRICW tm{};
  if (!m_hDC || !::GetTextMetricsW(D(*this), &tm)) return FALSE;
  metrics->tmHeight = tm.tmHeight;
  return TRUE;
}

BOOL CDC::TextOut(int x, int y, const CString& text) {
  return m_hDC && ::TextOutW(D(*this), x, y, text.c_str(), static_cast<int>(text.size()));
}

BOOL CDC::DrawIcon(int x, int y, IconRef icon) { return m_hDC && ::DrawIcon(D(*this), x, y, static_cast<HICON>(icon)); }

FontRef CDC::SelectFont(FontRef font) {
  return m_hDC && font ? ::SelectObject(D(*this), static_cast<HGDIOBJ>(font)) : nullptr;
}

CPaintDC::CPaintDC(CWnd* wnd) {
  m_wnd = wnd;
  HWND hwnd = win32::H(wnd);
  if (!hwnd) return;
  auto* state = new PaintState{hwnd, {}};
  m_hDC = ::BeginPaint(hwnd, &state->ps);
  m_paintState = state;
}

CPaintDC::~CPaintDC() {
  auto* state = static_cast<PaintState*>(m_paintState);
  if (!state) return;
  ::EndPaint(state->hwnd, &state->ps);  // also when BeginPaint failed: it validates nothing then
  delete state;
}

FontRef CreateFontCopy(FontRef source, bool underline) {
  if (!source) return nullptr;
  LOGFONTW font{};
  if (::GetObjectW(static_cast<HGDIOBJ>(source), sizeof font, &font) != sizeof font) return nullptr;
  font.lfUnderline = underline ? TRUE : FALSE;
  return ::CreateFontIndirectW(&font);
}

void DeleteFontRef(FontRef font) {
  if (font) ::DeleteObject(static_cast<HGDIOBJ>(font));
}
