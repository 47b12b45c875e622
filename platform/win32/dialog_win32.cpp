// Modal dialogs on the system's dialog manager: events go through the dialog object's event table.
#include "platform/win32/win32.h"

using win32::H;

namespace {

// The CWnd that stands for `control` in a WM_CTLCOLOR* event: the dialog's attached control
// object when there is one, else `scratch` attached to it for the duration of the event.
CWnd* ControlObject(CDialogEx& dialog, HWND control, CWnd& scratch) {
  if (control == H(dialog)) return &dialog;
  if (CWnd* known = dialog.GetDlgItem(::GetDlgCtrlID(control)); known && H(known) == control) return known;
  scratch.Attach(control);
  return &scratch;
}

}  // namespace

std::intptr_t CDialogEx::DoModal() {
  // A local class has the access of this member, so the procedure may end the object's
  // hold on its controls when the window goes.
  struct Procedure {
    static INT_PTR CALLBACK Run(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
      if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<CDialogEx*>(lParam);
        ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        self->m_hWnd = hwnd;
        return self->OnInitDialog();  // TRUE: the system puts the focus on the first tab stop
      }
      auto* self = reinterpret_cast<CDialogEx*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
      if (!self) return FALSE;  // messages before WM_INITDIALOG

      EventArgs args;
      switch (message) {
        case WM_COMMAND:
          args.code = HIWORD(wParam);
          args.id = LOWORD(wParam);
          return self->Dispatch(EventKind::Command, args).handled;
        case WM_SYSCOMMAND:
          args.nID = static_cast<unsigned>(wParam);
          args.lParam = lParam;
          return self->Dispatch(EventKind::SysCommand, args).handled;
        case WM_PAINT:
          return self->Dispatch(EventKind::Paint, args).handled;
        case WM_QUERYDRAGICON: {
          // One of the messages whose answer is the procedure's own return value.
          const EventResult result = self->Dispatch(EventKind::QueryDragIcon, args);
          return result.handled ? static_cast<INT_PTR>(result.value) : FALSE;
        }
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC: {
          CWnd scratch;
          win32::BorrowedDC dc(reinterpret_cast<HDC>(wParam), self);
          args.dc = &dc;
          args.wnd = ControlObject(*self, reinterpret_cast<HWND>(lParam), scratch);
          args.ctlColor = message - WM_CTLCOLORMSGBOX;
          const EventResult result = self->Dispatch(EventKind::CtlColor, args);
          return result.handled ? static_cast<INT_PTR>(result.value) : FALSE;  // the brush
        }
        case WM_DESTROY:
          self->DetachControls();
          return FALSE;
        case WM_NCDESTROY:
          self->DetachControls();
          self->m_hWnd = nullptr;
          ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
          return FALSE;
        default:
          return FALSE;
      }
    }
  };

  // Without a parent the main window owns the dialog, so the dialog manager disables it meanwhile.
  HWND owner = H(m_parent);
  if (!m_parent) {
    CWinApp* app = AfxGetApp();
    if (app && app->m_pMainWnd && app->m_pMainWnd != this) owner = H(app->m_pMainWnd);
  }
  const INT_PTR result = ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), owner,
                                           &Procedure::Run, reinterpret_cast<LPARAM>(this));
  DetachControls();
  m_hWnd = nullptr;
  return result;
}

void CDialogEx::EndDialog(int result) {
  if (m_hWnd) ::EndDialog(H(this), result);
}
