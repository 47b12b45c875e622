// The probe dialog of the Win32 backend tests: bound texts, attached controls, and handlers that record what reached them.
#pragma once

#include <atomic>
#include <map>
#include <vector>

#include "platform/win32/win32.h"
#include "tests/wine/probe_resource.h"

namespace probe {

constexpr int kFinished = 999;  // end code when the harness closes a probe (IDC_FINISH)

// A static that paints itself: one colour at rest, another while the pointer rests on it.
class ProbeLink : public CStatic {
 public:
  static constexpr COLORREF kRest = RGB(0, 160, 0);
  static constexpr COLORREF kHover = RGB(200, 0, 200);

  std::atomic<int> moves{0}, hovers{0}, leaves{0}, ups{0}, paints{0};
  std::atomic<bool> hovering{false};
  std::atomic<bool> handShown{false};

 protected:
  void PreSubclassWindow() override;
  void OnMouseMove(unsigned flags, CPoint point);
  std::intptr_t OnMouseHover(std::uintptr_t wParam, std::intptr_t lParam);
  std::intptr_t OnMouseLeave(std::uintptr_t wParam, std::intptr_t lParam);
  void OnLButtonUp(unsigned flags, CPoint point);
  BOOL OnSetCursor(CWnd* wnd, unsigned hitTest, unsigned message);
  void OnPaint();
  DECLARE_MESSAGE_MAP()
};

// Held texts bound to an edit (IDC_TEXT) and a read-only log box (IDC_LOGBOX), the link and a
// sorted list attached, a system-menu entry 16. Recorded values are read once DoModal is back,
// except the atomics and the events, which an acting thread or process may watch.
class ProbeDialog : public CDialogEx {
 public:
  // With `sharedEvents`, the Block button's events have names another process can open:
  // PaintedEventName / ReleaseEventName of this process.
  explicit ProbeDialog(bool sharedEvents = false);
  ~ProbeDialog() override;

  static std::wstring PaintedEventName(DWORD pid);
  static std::wstring ReleaseEventName(DWORD pid);

  CString m_text = L"初始 text";
  CString m_log;
  ProbeLink m_link;
  CComboBox m_list;

  void* hwndAtInit = nullptr;
  std::atomic<int> enters{0}, pulls{0};
  CString pulled;
  std::vector<unsigned> sysCommands;
  std::map<int, BrushRef> brushes;  // what the base control-colour handler gave, by control id
  std::intptr_t nestedResult = 0;
  std::intptr_t fileResult = 0;
  CString filePath;
  HANDLE painted;  // set by Block once the log box shows its new text
  HANDLE release;  // Block holds the thread until this is set (at most 15 s)

 protected:
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;
  void OnEnter();
  void OnPull();
  void OnBlock();
  void OnNested();
  void OnBrowse();
  void OnFinish();
  void OnSysCommand(unsigned nID, std::intptr_t lParam);
  BrushRef OnCtlColor(CDC* dc, CWnd* wnd, unsigned ctlColor);
  DECLARE_MESSAGE_MAP()
};

}  // namespace probe
