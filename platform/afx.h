// Our small stand-in for the Windows class library: windows, dialogs, data exchange, event tables.
// One header; platform/win32 implements it on real windows, platform/headless in memory.
// Dialog code includes only this header, never <windows.h>. The Win32 backend includes
// platform/win32/win32.h first, which undefines the A/W macros that would rename members here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <variant>

using CString = std::wstring;
typedef int BOOL;
#ifdef _WIN32
typedef unsigned long COLORREF;  // the system's DWORD, so dialog code and the Win32 backend mangle alike
#else
typedef std::uint32_t COLORREF;
#endif

// Opaque native handles (HICON, HBRUSH, HFONT, HDC on Win32; bookkeeping objects headless).
using IconRef = void*;
using BrushRef = void*;
using FontRef = void*;

// The Windows values of the few constants the dialog code uses. Guarded, so that the Win32
// backend, which includes <windows.h> first, keeps the system's own definitions.
#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
#ifndef RGB
#define RGB(r, g, b) ((COLORREF)(((r) & 0xFF) | (((g) & 0xFF) << 8) | (((b) & 0xFF) << 16)))
#endif
#ifndef IDOK
#define IDOK 1
#define IDCANCEL 2
#endif
#ifndef BN_CLICKED
#define BN_CLICKED 0
#endif
#ifndef CBN_SELCHANGE
#define CBN_SELCHANGE 1
#endif
#ifndef EN_CHANGE
#define EN_CHANGE 0x0300
#endif
#ifndef WM_GETFONT
#define WM_GETFONT 0x0031
#endif
#ifndef WM_ICONERASEBKGND
#define WM_ICONERASEBKGND 0x0027
#endif
#ifndef WM_SETICON
#define WM_SETICON 0x0080
#endif
#ifndef ICON_SMALL
#define ICON_SMALL 0
#define ICON_BIG 1
#endif
#ifndef CB_ADDSTRING
#define CB_ADDSTRING 0x0143
#endif
#ifndef CB_SETCURSEL
#define CB_SETCURSEL 0x014E
#endif
#ifndef CB_GETCOUNT
#define CB_GETCOUNT 0x0146
#endif
#ifndef CB_GETCURSEL
#define CB_GETCURSEL 0x0147
#endif
#ifndef MF_STRING
#define MF_STRING 0x0000
#endif
#ifndef MF_SEPARATOR
#define MF_SEPARATOR 0x0800
#endif
#ifndef SS_NOTIFY
#define SS_NOTIFY 0x0100
#endif
#ifndef TRANSPARENT
#define TRANSPARENT 1
#endif
#ifndef OFN_OVERWRITEPROMPT
#define OFN_OVERWRITEPROMPT 0x00000002
#define OFN_HIDEREADONLY 0x00000004
#endif
#ifndef SM_CXICON
#define SM_CXICON 11
#define SM_CYICON 12
#endif
#ifndef CTLCOLOR_STATIC
#define CTLCOLOR_STATIC 6
#endif
#define AFX_RESTART_MANAGER_SUPPORT_RESTART 0x01
#define ICC_WIN95_CLASSES_MASK 0x000000FF

struct CPoint {
  int x = 0;
  int y = 0;
};

struct CRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};

class CWnd;
class CDC;
class CDialogEx;

// ---- Event tables --------------------------------------------------------------------------
// A class lists the events it handles between BEGIN_MESSAGE_MAP and END_MESSAGE_MAP; lookups
// walk from the most derived table to the base tables, first match wins.
enum class EventKind {
  End,
  Command,        // WM_COMMAND notification `code` from control `id`: void()
  SysCommand,     // void(unsigned nID, std::intptr_t lParam)
  Paint,          // void()
  QueryDragIcon,  // IconRef()
  CtlColor,       // BrushRef(CDC*, CWnd*, unsigned nCtlColor)
  MouseMove,      // void(unsigned flags, CPoint)
  LButtonUp,      // void(unsigned flags, CPoint)
  MouseHover,     // std::intptr_t(std::uintptr_t, std::intptr_t)
  MouseLeave,     // std::intptr_t(std::uintptr_t, std::intptr_t)
  SetCursor,      // BOOL(CWnd*, unsigned hitTest, unsigned message)
};

// One handler of any of the forms above; the entry's kind says which one it holds.
using AnyHandler = std::variant<std::monostate, void (CWnd::*)(), void (CWnd::*)(unsigned, std::intptr_t), IconRef (CWnd::*)(),
                                BrushRef (CWnd::*)(CDC*, CWnd*, unsigned), void (CWnd::*)(unsigned, CPoint),
                                std::intptr_t (CWnd::*)(std::uintptr_t, std::intptr_t),
                                BOOL (CWnd::*)(CWnd*, unsigned, unsigned)>;

struct EventEntry {
  EventKind kind;
  unsigned code;
  int id;
  AnyHandler handler;
};

struct EventTable {
  const EventTable* base;
  const EventEntry* entries;
};

// Arguments of one event, as the backend received them.
struct EventArgs {
  unsigned code = 0;
  int id = 0;
  unsigned nID = 0;
  std::intptr_t lParam = 0;
  std::uintptr_t wParam = 0;
  unsigned flags = 0;
  CPoint point;
  CDC* dc = nullptr;
  CWnd* wnd = nullptr;
  unsigned ctlColor = 0;
  unsigned hitTest = 0;
  unsigned message = 0;
};

struct EventResult {
  bool handled = false;  // false: the backend does its default processing
  std::intptr_t value = 0;
};

#define DECLARE_MESSAGE_MAP()                          \
 public:                                               \
  static const EventTable* GetThisMessageMap();        \
  const EventTable* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                   \
  const EventTable* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
  const EventTable* theClass::GetThisMessageMap() {                              \
    using ThisClass [[maybe_unused]] = theClass;                                 \
    using TheBaseClass = baseClass;                                              \
    static const EventEntry entries[] = {
#define END_MESSAGE_MAP()                                                  \
  {EventKind::End, 0, 0, {}}};                                             \
  static const EventTable table{TheBaseClass::GetThisMessageMap(), entries}; \
  return &table;                                                           \
  }

#define VANTREL_HANDLER(sig, fn) AnyHandler(static_cast<sig>(static_cast<typename MemberOf<ThisClass, sig>::type>(fn)))

// Rebinds a CWnd member-function type to the class T (for the table's casts).
template <class T, class F> struct MemberOf;
template <class T, class R, class... A> struct MemberOf<T, R (CWnd::*)(A...)> {
  using type = R (T::*)(A...);
};

#define ON_COMMAND_CODE(code, id, fn) {EventKind::Command, code, id, VANTREL_HANDLER(void (CWnd::*)(), fn)},
#define ON_BN_CLICKED(id, fn) ON_COMMAND_CODE(BN_CLICKED, id, fn)
#define ON_EN_CHANGE(id, fn) ON_COMMAND_CODE(EN_CHANGE, id, fn)
#define ON_CBN_SELCHANGE(id, fn) ON_COMMAND_CODE(CBN_SELCHANGE, id, fn)
#define ON_WM_SYSCOMMAND() \
  {EventKind::SysCommand, 0, 0, VANTREL_HANDLER(void (CWnd::*)(unsigned, std::intptr_t), &ThisClass::OnSysCommand)},
#define ON_WM_PAINT() {EventKind::Paint, 0, 0, VANTREL_HANDLER(void (CWnd::*)(), &ThisClass::OnPaint)},
#define ON_WM_QUERYDRAGICON() \
  {EventKind::QueryDragIcon, 0, 0, VANTREL_HANDLER(IconRef (CWnd::*)(), &ThisClass::OnQueryDragIcon)},
#define ON_WM_CTLCOLOR() \
  {EventKind::CtlColor, 0, 0, VANTREL_HANDLER(BrushRef (CWnd::*)(CDC*, CWnd*, unsigned), &ThisClass::OnCtlColor)},
#define ON_WM_MOUSEMOVE() \
  {EventKind::MouseMove, 0, 0, VANTREL_HANDLER(void (CWnd::*)(unsigned, CPoint), &ThisClass::OnMouseMove)},
#define ON_WM_LBUTTONUP() \
  {EventKind::LButtonUp, 0, 0, VANTREL_HANDLER(void (CWnd::*)(unsigned, CPoint), &ThisClass::OnLButtonUp)},
#define ON_WM_MOUSEHOVER(fn) \
  {EventKind::MouseHover, 0, 0, VANTREL_HANDLER(std::intptr_t (CWnd::*)(std::uintptr_t, std::intptr_t), fn)},
#define ON_WM_MOUSELEAVE(fn) \
  {EventKind::MouseLeave, 0, 0, VANTREL_HANDLER(std::intptr_t (CWnd::*)(std::uintptr_t, std::intptr_t), fn)},
#define ON_WM_SETCURSOR() \
  {EventKind::SetCursor, 0, 0, VANTREL_HANDLER(BOOL (CWnd::*)(CWnd*, unsigned, unsigned), &ThisClass::OnSetCursor)},

// ---- Run-time class information -------------------------------------------------------------
// For classes that answer what they are (DECLARE_DYNAMIC / IMPLEMENT_DYNAMIC).
struct CRuntimeClass {
  const char* m_lpszClassName;
  const CRuntimeClass* m_pBaseClass;
  bool IsDerivedFrom(const CRuntimeClass* base) const {
    for (const CRuntimeClass* c = this; c; c = c->m_pBaseClass)
      if (c == base) return true;
    return false;
  }
};

#define RUNTIME_CLASS(theClass) (&theClass::classInfo)
#define DECLARE_DYNAMIC(theClass)  \
 public:                           \
  static const CRuntimeClass classInfo; \
  const CRuntimeClass* GetRuntimeClass() const override;
#define IMPLEMENT_DYNAMIC(theClass, baseClass)                                             \
  const CRuntimeClass theClass::classInfo{#theClass, RUNTIME_CLASS(baseClass)};             \
  const CRuntimeClass* theClass::GetRuntimeClass() const { return RUNTIME_CLASS(theClass); }

// ---- Windows -------------------------------------------------------------------------------
class CMenu {
 public:
  explicit CMenu(void* native) : m_native(native) {}
  BOOL AppendMenu(unsigned flags, unsigned id = 0, const wchar_t* text = nullptr);
  void* Native() const { return m_native; }

 private:
  void* m_native;
};

class CWnd {
 public:
  CWnd();
  virtual ~CWnd();
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  // The native window this object stands for (HWND on Win32); null when not attached.
  void* GetSafeHwnd() const { return m_hWnd; }
  void Attach(void* native) { m_hWnd = native; }
  void Detach() { m_hWnd = nullptr; }

  void SetWindowText(const CString& text);
  void GetWindowText(CString& text) const;
  CString GetWindowText() const;
  int GetDlgCtrlID() const;
  // The control with that id; a control object attached by DDX_Control when there is one,
  // otherwise a wrapper owned by this window. Null when there is no such control.
  CWnd* GetDlgItem(int id) const;
  unsigned GetStyle() const;
  void SetStyle(unsigned style);  // SetWindowLong(GWL_STYLE)
  std::intptr_t SendMessage(unsigned message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
  void Invalidate(BOOL erase = TRUE);
  void UpdateWindow();
  BOOL IsIconic() const;
  BOOL IsWindowEnabled() const;
  void GetClientRect(CRect* rect) const;
  CMenu* GetSystemMenu(BOOL revert);
  void SetIcon(IconRef icon, BOOL big) { SendMessage(WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<std::intptr_t>(icon)); }
  // _TrackMouseEvent with hover and leave notifications, hover after `hoverMs`.
  BOOL TrackMouseHoverAndLeave(unsigned hoverMs);

  // Attaches this object to the control `id` of `parent`, routes the control's events through
  // this object's event table, and calls PreSubclassWindow.
  BOOL SubclassDlgItem(int id, CWnd* parent);
  virtual void PreSubclassWindow() {}

  // Handlers with the platform's default processing, for tables that bind the base's handler.
  void OnSysCommand(unsigned nID, std::intptr_t lParam);
  void OnPaint();
  IconRef OnQueryDragIcon();
  BrushRef OnCtlColor(CDC* pDC, CWnd* pWnd, unsigned nCtlColor);
  void OnMouseMove(unsigned flags, CPoint point);
  void OnLButtonUp(unsigned flags, CPoint point);
  BOOL OnSetCursor(CWnd* pWnd, unsigned hitTest, unsigned message);
  // Asks the backend for default processing of the event being handled.
  std::intptr_t Default();

  static const CRuntimeClass classInfo;
  virtual const CRuntimeClass* GetRuntimeClass() const { return &classInfo; }
  bool IsKindOf(const CRuntimeClass* cls) const { return GetRuntimeClass()->IsDerivedFrom(cls); }

  // Runs the handler of the first matching table entry.
  EventResult Dispatch(EventKind kind, const EventArgs& args);
  static const EventTable* GetThisMessageMap();
  virtual const EventTable* GetMessageMap() const;

 protected:
  // For backends when the native window goes: controls attached by DDX_Control let go of it.
  void DetachControls();

  void* m_hWnd = nullptr;
  bool m_defaultRequested = false;
  std::intptr_t m_defaultResult = 0;

 private:
  friend class CDataExchange;
  friend void DDX_Control(class CDataExchange* pDX, int id, CWnd& control);
  mutable std::map<int, std::unique_ptr<CWnd>> m_wrappers;
  std::map<int, CWnd*> m_controls;
  std::unique_ptr<CMenu> m_sysMenu;
};

class CStatic : public CWnd {
  DECLARE_DYNAMIC(CStatic)
};

class CComboBox : public CWnd {
 public:
  int AddString(const CString& text) {
    return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<std::intptr_t>(text.c_str())));
  }
  int SetCurSel(int index) { return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<std::uintptr_t>(index))); }
  int GetCurSel() { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
  int GetCount() { return static_cast<int>(SendMessage(CB_GETCOUNT)); }
  CString GetLBText(int index) const;
};

// ---- Data exchange and dialogs -------------------------------------------------------------
class CDataExchange {
 public:
  CDataExchange(CWnd* dlg, BOOL saveAndValidate) : m_pDlgWnd(dlg), m_bSaveAndValidate(saveAndValidate) {}
  CWnd* m_pDlgWnd;
  BOOL m_bSaveAndValidate;
};

// Push (save FALSE): the held text into the control. Pull (save TRUE): the control into the text.
void DDX_Text(CDataExchange* pDX, int id, CString& value);
// Attaches `control` to the dialog's control `id` on the first exchange.
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);

class CDialogEx : public CWnd {
 public:
  explicit CDialogEx(unsigned templateId, CWnd* parent = nullptr);
  ~CDialogEx() override;

  // Creates the dialog from its template, runs OnInitDialog, dispatches events until
  // EndDialog, destroys the window and returns the end code (-1 if it could not be created).
  virtual std::intptr_t DoModal();
  void EndDialog(int result);
  BOOL UpdateData(BOOL saveAndValidate = TRUE);
  virtual BOOL OnInitDialog();
  virtual void DoDataExchange(CDataExchange*) {}
  virtual void OnOK();
  virtual void OnCancel();
  unsigned GetTemplateId() const { return m_templateId; }
  CWnd* GetParentWnd() const { return m_parent; }

  DECLARE_DYNAMIC(CDialogEx)
  DECLARE_MESSAGE_MAP()

 protected:
  unsigned m_templateId;
  CWnd* m_parent;
};

// ---- Painting --------------------------------------------------------------------------------
struct TextMetrics {
  int tmHeight = 0;
};

class CDC {
 public:
  virtual ~CDC() = default;
  void* GetSafeHdc() const { return m_hDC; }
  COLORREF SetTextColor(COLORREF color);
  int SetBkMode(int mode);
  // A solid brush of `color` is created, fills `rect`, and is deleted again.
  void FillSolidRect(const CRect& rect, COLORREF color);
  BOOL GetTextMetrics(TextMetrics* metrics);
  BOOL TextOut(int x, int y, const CString& text);
  BOOL DrawIcon(int x, int y, IconRef icon);
  FontRef SelectFont(FontRef font);  // returns the previous font

 protected:
  void* m_hDC = nullptr;
  CWnd* m_wnd = nullptr;
};

class CPaintDC : public CDC {
 public:
  explicit CPaintDC(CWnd* wnd);
  ~CPaintDC() override;

 private:
  void* m_paintState = nullptr;
};

// A copy of `source` (a font handle from WM_GETFONT) with its underline set as given;
// null when it cannot be made. Release with DeleteFontRef.
FontRef CreateFontCopy(FontRef source, bool underline);
void DeleteFontRef(FontRef font);

// ---- Application and system services -------------------------------------------------------
class CWinApp {
 public:
  explicit CWinApp(const wchar_t* appName = nullptr);
  virtual ~CWinApp();
  // Registers the program for restart when m_dwRestartManagerSupportFlags asks for it.
  virtual BOOL InitInstance();
  void SetRegistryKey(const wchar_t* key);
  IconRef LoadIcon(unsigned id) const;

  CWnd* m_pMainWnd = nullptr;
  unsigned m_dwRestartManagerSupportFlags = 0;
};

CWinApp* AfxGetApp();
// LoadIcon of an icon resource of the program at the system's standard icon size.
IconRef LoadIconResource(unsigned id);
void AfxEnableControlContainer(void* siteFactory = nullptr);
// InitCommonControlsEx with the given class mask.
void InitCommonControlsClasses(unsigned classMask);
// The shell manager of the class library: nothing of it is used beyond its lifetime.
class CShellManager {};

BOOL LoadString(CString& text, unsigned id);
// GetSystemMetrics.
int SystemMetric(int index);
// ShellExecuteW(null, "open", address, null, null, SW_SHOW).
void ShellOpen(const CString& address);
// LoadCursor(IDC_HAND) + SetCursor.
void SetHandCursor();

class CFileDialog {
 public:
  CFileDialog(BOOL openFileDialog, const wchar_t* defaultExt = nullptr, const wchar_t* fileName = nullptr,
              unsigned flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, const wchar_t* filter = nullptr,
              CWnd* parent = nullptr, unsigned structSize = 0, BOOL vistaStyle = TRUE);
  std::intptr_t DoModal();
  CString GetPathName() const { return m_path; }

  BOOL m_open;
  CString m_defaultExt;
  CString m_fileName;
  unsigned m_flags;
  CString m_filter;  // "|"-separated, as given
  CWnd* m_parent;
  BOOL m_vistaStyle;

 private:
  CString m_path;
};
