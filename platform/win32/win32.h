// The Win32 backend's one include: the system headers, freed of the A/W macros that would rename afx.h names.
#pragma once

#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlwapi.h>

// afx.h names members and free functions after the system's calls (CWnd::SetWindowText,
// CDC::TextOut, LoadString, ...). The system headers turn those names into macros that
// would rename them to ...W here but not in dialog code, which never sees <windows.h>;
// both sides must compile the same names, so the macros go. The backend calls the W forms.
#undef AppendMenu
#undef DrawText
#undef GetClassName
#undef GetObject
#undef GetTextMetrics
#undef GetWindowText
#undef LoadCursor
#undef LoadIcon
#undef LoadString
#undef SelectFont  // <windowsx.h>
#undef SendMessage
#undef SetWindowLong
#undef SetWindowText
#undef TextOut

#include "platform/afx.h"

namespace win32 {

inline HWND H(const CWnd& wnd) { return static_cast<HWND>(wnd.GetSafeHwnd()); }
inline HWND H(const CWnd* wnd) { return wnd ? H(*wnd) : nullptr; }

// A paint context over a device context the system lent for one message (WM_CTLCOLOR*).
class BorrowedDC : public CDC {
 public:
  BorrowedDC(HDC dc, CWnd* wnd) {
    m_hDC = dc;
    m_wnd = wnd;
  }
};

// Signed client coordinates of a mouse message (GET_X_LPARAM/GET_Y_LPARAM of <windowsx.h>).
inline CPoint PointOf(LPARAM lParam) {
  return CPoint{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

}  // namespace win32
