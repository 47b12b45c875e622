// CWnd, CMenu and control subclassing on real windows.
#include "platform/win32/win32.h"

#include "platform/backend.h"

using win32::H;

namespace backend {
void* NativeChild(void* parent, int id) { return ::GetDlgItem(static_cast<HWND>(parent), id); }
}  // namespace backend

void CWnd::SetWindowText(const CString& text) {
  if (m_hWnd) ::SetWindowTextW(H(this), text.c_str());
}

void CWnd::GetWindowText(CString& text) const {
  text.clear();
  if (!m_hWnd) return;
  const int length = ::GetWindowTextLengthW(H(this));
  if (length <= 0) return;
  text.resize(static_cast<std::size_t>(length));
  // The terminator lands on the string's own terminator slot.
  const int copied = ::GetWindowTextW(H(this), text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
}

int CWnd::GetDlgCtrlID() const { return m_hWnd ? ::GetDlgCtrlID(H(this)) : 0; }

unsigned CWnd::GetStyle() const {
  return m_hWnd ? static_cast<unsigned>(::GetWindowLongW(H(this), GWL_STYLE)) : 0u;
}

void CWnd::SetStyle(unsigned style) {
  if (m_hWnd) ::SetWindowLongW(H(this), GWL_STYLE, static_cast<LONG>(style));
}

std::intptr_t CWnd::SendMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  return m_hWnd ? ::SendMessageW(H(this), message, wParam, lParam) : 0;
}

CString CComboBox::GetLBText(int index) const {
  if (!m_hWnd) return {};
  const LRESULT length = ::SendMessageW(H(this), CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == CB_ERR || length <= 0) return {};
  CString text(static_cast<std::size_t>(length), L'\0');
  const LRESULT copied =
      ::SendMessageW(H(this), CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied == CB_ERR ? 0 : static_cast<std::size_t>(copied));
  return text;
}

void CWnd::Invalidate(BOOL erase) {
  if (m_hWnd) ::InvalidateRect(H(this), nullptr, erase);
}

void CWnd::UpdateWindow() {
  if (!m_hWnd) return;
  ::UpdateWindow(H(this));  // WM_PAINT now, not when the queue is next read
  // The caller may block the thread next (a tool run of minutes): what was just painted must
  // reach the screen now. Windows may hold it in the thread's GDI batch; Wine keeps it in the
  // window's surface until the thread next waits for messages. A wait of no time is such a
  // wait, and it dispatches nothing.
  ::GdiFlush();
  ::MsgWaitForMultipleObjectsEx(0, nullptr, 0, QS_PAINT, 0);
}

BOOL CWnd::IsIconic() const { return m_hWnd && ::IsIconic(H(this)); }

BOOL CWnd::IsWindowEnabled() const { return m_hWnd && ::IsWindowEnabled(H(this)); }

void CWnd::GetClientRect(CRect* rect) const {
  RECT r{};
  if (m_hWnd) ::GetClientRect(H(this), &r);
  *rect = CRect{r.left, r.top, r.right, r.bottom};
}

CMenu* CWnd::GetSystemMenu(BOOL revert) {
  HMENU menu = m_hWnd ? ::GetSystemMenu(H(this), revert) : nullptr;
  if (!menu) return nullptr;
  if (!m_sysMenu || m_sysMenu->Native() != menu) m_sysMenu = std::make_unique<CMenu>(menu);
  return m_sysMenu.get();
}

BOOL CMenu::AppendMenu(unsigned flags, unsigned id, const wchar_t* text) {
  if (!m_native) return FALSE;
  return ::AppendMenuW(static_cast<HMENU>(m_native), flags, id, (flags & MF_SEPARATOR) ? nullptr : text);
}

BOOL CWnd::TrackMouseHoverAndLeave(unsigned hoverMs) {
  if (!m_hWnd) return FALSE;
  TRACKMOUSEEVENT track{};
  track.cbSize = sizeof track;
  track.dwFlags = TME_HOVER | TME_LEAVE;
  track.hwndTrack = H(this);
  track.dwHoverTime = hoverMs;
  return ::_TrackMouseEvent(&track);
}

namespace {

// The window procedure in front of a subclassed control: the events that control objects
// handle go through the object's event table, everything else to the control's own procedure.
LRESULT CALLBACK ControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR subclassId,
                             DWORD_PTR refData) {
  auto* self = reinterpret_cast<CWnd*>(refData);
  if (message == WM_NCDESTROY) {
    ::RemoveWindowSubclass(hwnd, ControlProc, subclassId);
    if (H(self) == hwnd) self->Detach();
    return ::DefSubclassProc(hwnd, message, wParam, lParam);
  }
  // The object let go of this window (its dialog is closing): the control is on its own.
  if (H(self) != hwnd) return ::DefSubclassProc(hwnd, message, wParam, lParam);

  EventKind kind;
  EventArgs args;
  args.wParam = wParam;
  args.lParam = lParam;
  CWnd cursorWindow;
  switch (message) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
      kind = message == WM_MOUSEMOVE ? EventKind::MouseMove : EventKind::LButtonUp;
      args.flags = static_cast<unsigned>(wParam);
      args.point = win32::PointOf(lParam);
      break;
    case WM_PAINT:
      kind = EventKind::Paint;
      break;
    case WM_MOUSEHOVER:
      kind = EventKind::MouseHover;
      break;
    case WM_MOUSELEAVE:
      kind = EventKind::MouseLeave;
      break;
    case WM_SETCURSOR:
      kind = EventKind::SetCursor;
      if (reinterpret_cast<HWND>(wParam) == hwnd) {
        args.wnd = self;
      } else {
        cursorWindow.Attach(reinterpret_cast<HWND>(wParam));
        args.wnd = &cursorWindow;
      }
      args.hitTest = LOWORD(lParam);
      args.message = HIWORD(lParam);
      break;
    default:
      return ::DefSubclassProc(hwnd, message, wParam, lParam);
  }
  const EventResult result = self->Dispatch(kind, args);
  if (!result.handled) return ::DefSubclassProc(hwnd, message, wParam, lParam);
  return kind == EventKind::MouseHover || kind == EventKind::MouseLeave || kind == EventKind::SetCursor
             ? static_cast<LRESULT>(result.value)
             : 0;
}

}  // namespace

BOOL CWnd::SubclassDlgItem(int id, CWnd* parent) {
  HWND control = parent && parent->GetSafeHwnd() ? ::GetDlgItem(H(parent), id) : nullptr;
  if (!control) return FALSE;
  if (!::SetWindowSubclass(control, ControlProc, 1, reinterpret_cast<DWORD_PTR>(this))) return FALSE;
  m_hWnd = control;
  PreSubclassWindow();
  return TRUE;
}

BrushRef CWnd::OnCtlColor(CDC* pDC, CWnd* pWnd, unsigned nCtlColor) {
  // What the dialog's default processing answers: the system's colours set into the context
  // and the matching system brush. (The dialog manager hands WM_CTLCOLOR* to DefWindowProc.)
  const LRESULT brush =
      ::DefWindowProcW(H(this), WM_CTLCOLORMSGBOX + nCtlColor, reinterpret_cast<WPARAM>(pDC ? pDC->GetSafeHdc() : nullptr),
                       reinterpret_cast<LPARAM>(H(pWnd)));
  return reinterpret_cast<BrushRef>(brush);
}
