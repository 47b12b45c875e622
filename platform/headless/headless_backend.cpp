// The headless backend: windows, dialogs, painting and system services kept in memory.
#include <algorithm>
#include <cwchar>

#include "platform/afx.h"
#include "platform/backend.h"
#include "platform/headless/headless.h"
#include "res/strings.h"
#include "tool_runtime/utf8_stream.h"

namespace headless {
namespace {

struct Font {
  bool underline = false;
};

struct State {
  std::map<unsigned, ModalDriver> drivers;
  std::optional<CString> fileAnswer;
  std::vector<FileDialogRecord> fileDialogs;
  std::vector<CString> opened;
  int handCursors = 0;
  bool restartRegistered = false;
  CString registryKey;
  std::vector<std::wstring> paintLog;
  int textHeight = 13;
  int liveFonts = 0;
  std::vector<std::unique_ptr<Font>> testFonts;
};

State& S() {
  static State state;
  return state;
}

Window* W(const CWnd& wnd) { return static_cast<Window*>(wnd.GetSafeHwnd()); }

std::wstring Hex(COLORREF c) {
  wchar_t buf[16];
  std::swprintf(buf, 16, L"%08X", static_cast<unsigned>(c));
  return buf;
}

// Delivers an event to whatever object the window routes to.
EventResult Deliver(Window* w, EventKind kind, const EventArgs& args) {
  if (!w || !w->routedTo) return {};
  return w->routedTo->Dispatch(kind, args);
}

void Command(CWnd& dialog, int id, unsigned code) {
  Window* w = W(dialog);
  if (!w) return;
  if (Window* c = Child(dialog, id); c && !c->enabled) return;  // a disabled button takes no click
  EventArgs args;
  args.id = id;
  args.code = code;
  Deliver(w, EventKind::Command, args);
}

}  // namespace

Window* WindowOf(const CWnd& wnd) { return W(wnd); }

Window* Child(const CWnd& dialog, int id) {
  Window* w = W(dialog);
  if (!w) return nullptr;
  auto& child = w->children[id];
  if (!child) {
    child = std::make_unique<Window>();
    child->id = id;
    child->parent = w;
  }
  return child.get();
}

void SetModalDriver(unsigned templateId, ModalDriver driver) { S().drivers[templateId] = std::move(driver); }
void SetFileDialogAnswer(std::optional<CString> path) { S().fileAnswer = std::move(path); }
const std::vector<FileDialogRecord>& FileDialogsShown() { return S().fileDialogs; }

void Click(CWnd& dialog, int id) { Command(dialog, id, BN_CLICKED); }
void PressEnter(CWnd& dialog) { Command(dialog, IDOK, BN_CLICKED); }
void PressEscape(CWnd& dialog) { Command(dialog, IDCANCEL, BN_CLICKED); }

void SysCommand(CWnd& dialog, unsigned id) {
  EventArgs args;
  args.nID = id;
  EventResult r = Deliver(W(dialog), EventKind::SysCommand, args);
  // Default processing of SC_CLOSE (0xF060) closes the dialog, as the system does.
  if (!r.handled && (id & 0xFFF0) == 0xF060) Command(dialog, IDCANCEL, BN_CLICKED);
}

void SelectItem(CWnd& dialog, int comboId, int index) {
  Window* c = Child(dialog, comboId);
  if (!c || index < 0 || index >= static_cast<int>(c->items.size())) return;
  c->curSel = index;
  c->text = c->items[static_cast<std::size_t>(index)];
  Command(dialog, comboId, CBN_SELCHANGE);
}

void MouseMove(CWnd& control) { Deliver(W(control), EventKind::MouseMove, {}); }
void MouseHover(CWnd& control) { Deliver(W(control), EventKind::MouseHover, {}); }
void MouseLeave(CWnd& control) { Deliver(W(control), EventKind::MouseLeave, {}); }
void LButtonUp(CWnd& control) { Deliver(W(control), EventKind::LButtonUp, {}); }

bool SetCursorQuery(CWnd& control) {
  EventArgs args;
  args.wnd = &control;
  EventResult r = Deliver(W(control), EventKind::SetCursor, args);
  return r.handled && r.value != 0;
}

void Paint(CWnd& wnd) { Deliver(W(wnd), EventKind::Paint, {}); }

std::optional<COLORREF> CtlColorTextOf(CWnd& dialog, int id) {
  CWnd* control = dialog.GetDlgItem(id);
  if (!control) return std::nullopt;
  CDC dc;
  EventArgs args;
  args.dc = &dc;
  args.wnd = control;
  args.ctlColor = CTLCOLOR_STATIC;
  const std::size_t before = S().paintLog.size();
  Deliver(W(dialog), EventKind::CtlColor, args);
  std::optional<COLORREF> color;
  for (std::size_t i = before; i < S().paintLog.size(); ++i) {
    const std::wstring& line = S().paintLog[i];
    if (line.rfind(L"SetTextColor ", 0) == 0) color = static_cast<COLORREF>(std::wcstoul(line.c_str() + 13, nullptr, 16));
  }
  S().paintLog.resize(before);
  return color;
}

const std::vector<CString>& OpenedAddresses() { return S().opened; }
int HandCursorCount() { return S().handCursors; }
bool RestartRegistered() { return S().restartRegistered; }
CString RegistryKey() { return S().registryKey; }
std::vector<std::wstring>& PaintLog() { return S().paintLog; }
void SetTextHeight(int height) { S().textHeight = height; }
int LiveFonts() { return S().liveFonts; }

FontRef MakeFont(bool underline) {
  S().testFonts.push_back(std::make_unique<Font>(Font{underline}));
  return S().testFonts.back().get();
}

void Reset() {
  auto fonts = std::move(S().testFonts);
  S() = State{};
}

}  // namespace headless

using headless::Window;

namespace backend {
void* NativeChild(void* parent, int id) {
  auto* w = static_cast<Window*>(parent);
  auto it = w->children.find(id);
  if (it != w->children.end()) return it->second.get();
  // Controls come into being on first use, as if the template had them.
  auto child = std::make_unique<Window>();
  child->id = id;
  child->parent = w;
  void* native = child.get();
  w->children[id] = std::move(child);
  return native;
}
}  // namespace backend

// ---- CWnd ------------------------------------------------------------------------------------

void CWnd::SetWindowText(const CString& text) {
  if (auto* w = static_cast<Window*>(m_hWnd)) w->text = text;
}

void CWnd::GetWindowText(CString& text) const {
  auto* w = static_cast<Window*>(m_hWnd);
  text = w ? w->text : CString();
}

int CWnd::GetDlgCtrlID() const {
  auto* w = static_cast<Window*>(m_hWnd);
  return w ? w->id : 0;
}

unsigned CWnd::GetStyle() const {
  auto* w = static_cast<Window*>(m_hWnd);
  return w ? w->style : 0;
}

void CWnd::SetStyle(unsigned style) {
  if (auto* w = static_cast<Window*>(m_hWnd)) w->style = style;
}

std::intptr_t CWnd::SendMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  auto* w = static_cast<Window*>(m_hWnd);
  if (!w) return 0;
  switch (message) {
    case CB_ADDSTRING: {
      CString item = reinterpret_cast<const wchar_t*>(lParam);
      auto pos = std::upper_bound(w->items.begin(), w->items.end(), item);
      return w->items.insert(pos, item) - w->items.begin();
    }
    case CB_SETCURSEL:
      if (wParam >= w->items.size()) {
        w->curSel = -1;
        w->text.clear();
        return -1;
      }
      w->curSel = static_cast<int>(wParam);
      w->text = w->items[wParam];
      return w->curSel;
    case CB_GETCURSEL:
      return w->curSel;
    case CB_GETCOUNT:
      return static_cast<std::intptr_t>(w->items.size());
    case WM_SETICON:
      (wParam == ICON_BIG ? w->bigIcon : w->smallIcon) = reinterpret_cast<IconRef>(lParam);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<std::intptr_t>(w->font);
    case WM_ICONERASEBKGND:
      headless::PaintLog().push_back(L"IconEraseBkgnd");
      return 1;
    default:
      return 0;
  }
}

CString CComboBox::GetLBText(int index) const {
  auto* w = static_cast<Window*>(m_hWnd);
  if (!w || index < 0 || index >= static_cast<int>(w->items.size())) return {};
  return w->items[static_cast<std::size_t>(index)];
}

void CWnd::Invalidate(BOOL) {
  if (auto* w = static_cast<Window*>(m_hWnd)) ++w->invalidateCount;
}

void CWnd::UpdateWindow() {
  if (auto* w = static_cast<Window*>(m_hWnd)) ++w->updateWindowCount;
}

BOOL CWnd::IsIconic() const {
  auto* w = static_cast<Window*>(m_hWnd);
  return w && w->iconic;
}

BOOL CWnd::IsWindowEnabled() const {
  auto* w = static_cast<Window*>(m_hWnd);
  return w && w->enabled;
}

void CWnd::GetClientRect(CRect* rect) const {
  auto* w = static_cast<Window*>(m_hWnd);
  *rect = w ? w->client : CRect{};
}

CMenu* CWnd::GetSystemMenu(BOOL) {
  if (!m_hWnd) return nullptr;
  if (!m_sysMenu || m_sysMenu->Native() != m_hWnd) m_sysMenu = std::make_unique<CMenu>(m_hWnd);
  return m_sysMenu.get();
}

BOOL CMenu::AppendMenu(unsigned flags, unsigned id, const wchar_t* text) {
  auto* w = static_cast<Window*>(m_native);
  if (flags & MF_SEPARATOR)
    w->systemMenu.emplace_back(0u, CString());
  else
    w->systemMenu.emplace_back(id, text ? text : L"");
  return TRUE;
}

BOOL CWnd::TrackMouseHoverAndLeave(unsigned hoverMs) {
  auto* w = static_cast<Window*>(m_hWnd);
  if (!w) return FALSE;
  ++w->trackRequests;
  w->lastHoverTime = hoverMs;
  return TRUE;
}

BOOL CWnd::SubclassDlgItem(int id, CWnd* parent) {
  void* native = parent->GetSafeHwnd() ? backend::NativeChild(parent->GetSafeHwnd(), id) : nullptr;
  if (!native) return FALSE;
  m_hWnd = native;
  static_cast<Window*>(native)->routedTo = this;
  PreSubclassWindow();
  return TRUE;
}

BrushRef CWnd::OnCtlColor(CDC*, CWnd*, unsigned) {
  static int systemBrush;
  return &systemBrush;
}

// ---- Dialogs ---------------------------------------------------------------------------------

namespace {
struct ModalRun {
  bool ended = false;
  int result = IDCANCEL;
};
std::map<const CDialogEx*, ModalRun*>& Runs() {
  static std::map<const CDialogEx*, ModalRun*> runs;
  return runs;
}
}  // namespace

std::intptr_t CDialogEx::DoModal() {
  Window window;
  window.templateId = m_templateId;
  window.routedTo = this;
  ModalRun run;
  Runs()[this] = &run;
  m_hWnd = &window;

  // Without a parent the main window owns the dialog and is disabled while it runs.
  Window* owner = nullptr;
  if (CWnd* main = AfxGetApp() ? AfxGetApp()->m_pMainWnd : nullptr; main && main != this)
    owner = static_cast<Window*>(main->GetSafeHwnd());
  if (m_parent) owner = static_cast<Window*>(m_parent->GetSafeHwnd());
  const bool ownerWasEnabled = owner && owner->enabled;
  if (owner) owner->enabled = false;

  OnInitDialog();
  if (!run.ended) {
    auto it = headless::S().drivers.find(m_templateId);
    if (it != headless::S().drivers.end()) {
      headless::ModalDriver driver = it->second;  // a copy: the driver may replace itself
      driver(*this);
    }
  }

  if (owner) owner->enabled = ownerWasEnabled;
  DetachControls();
  m_hWnd = nullptr;
  Runs().erase(this);
  return run.result;
}

void CDialogEx::EndDialog(int result) {
  auto it = Runs().find(this);
  if (it == Runs().end() || it->second->ended) return;
  it->second->ended = true;
  it->second->result = result;
}

// ---- Painting --------------------------------------------------------------------------------

COLORREF CDC::SetTextColor(COLORREF color) {
  headless::PaintLog().push_back(L"SetTextColor " + headless::Hex(color));
  return 0;
}

int CDC::SetBkMode(int mode) {
  headless::PaintLog().push_back(L"SetBkMode " + std::to_wstring(mode));
  return 0;
}

void CDC::FillSolidRect(const CRect& r, COLORREF color) {
  headless::PaintLog().push_back(L"FillSolidRect " + std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L"," +
                                 std::to_wstring(r.right) + L"," + std::to_wstring(r.bottom) + L" " +
                                 headless::Hex(color));
}

BOOL CDC::GetTextMetrics(TextMetrics* metrics) {
  metrics->tmHeight = headless::S().textHeight;
  return TRUE;
}

BOOL CDC::TextOut(int x, int y, const CString& text) {
  headless::PaintLog().push_back(L"TextOut " + std::to_wstring(x) + L"," + std::to_wstring(y) + L" " + text);
  return TRUE;
}

BOOL CDC::DrawIcon(int x, int y, IconRef) {
  headless::PaintLog().push_back(L"DrawIcon " + std::to_wstring(x) + L"," + std::to_wstring(y));
  return TRUE;
}

FontRef CDC::SelectFont(FontRef font) {
  auto* f = static_cast<headless::Font*>(font);
  headless::PaintLog().push_back(std::wstring(L"SelectFont underline=") + (f && f->underline ? L"1" : L"0"));
  return nullptr;
}

CPaintDC::CPaintDC(CWnd* wnd) {
  m_wnd = wnd;
  headless::PaintLog().push_back(L"BeginPaint");
}

CPaintDC::~CPaintDC() { headless::PaintLog().push_back(L"EndPaint"); }

FontRef CreateFontCopy(FontRef source, bool underline) {
  if (!source) return nullptr;
  ++headless::S().liveFonts;
  return new headless::Font{underline};
}

void DeleteFontRef(FontRef font) {
  if (!font) return;
  --headless::S().liveFonts;
  delete static_cast<headless::Font*>(font);
}

// ---- Application and system services ---------------------------------------------------------

namespace {
CWinApp*& TheApp() {
  static CWinApp* app = nullptr;
  return app;
}
}  // namespace

CWinApp::CWinApp(const wchar_t*) { TheApp() = this; }
CWinApp::~CWinApp() {
  if (TheApp() == this) TheApp() = nullptr;
}

BOOL CWinApp::InitInstance() {
  if (m_dwRestartManagerSupportFlags & AFX_RESTART_MANAGER_SUPPORT_RESTART) headless::S().restartRegistered = true;
  return TRUE;
}

void CWinApp::SetRegistryKey(const wchar_t* key) { headless::S().registryKey = key ? key : L""; }
IconRef CWinApp::LoadIcon(unsigned id) const { return LoadIconResource(id); }
CWinApp* AfxGetApp() { return TheApp(); }

IconRef LoadIconResource(unsigned id) {
  static std::map<unsigned, int> icons;
  return &icons[id];
}

void AfxEnableControlContainer(void*) {}
void InitCommonControlsClasses(unsigned) {}

BOOL LoadString(CString& text, unsigned id) {
  static const std::map<unsigned, const char*> table = {{101u, VANTREL_TEXT_ABOUTBOX}};
  auto it = table.find(id);
  text = it == table.end() ? CString() : Utf8ToWide(it->second);
  return !text.empty();
}

int SystemMetric(int index) { return index == SM_CXICON || index == SM_CYICON ? 32 : 0; }
void ShellOpen(const CString& address) { headless::S().opened.push_back(address); }
void SetHandCursor() { ++headless::S().handCursors; }

std::intptr_t CFileDialog::DoModal() {
  headless::S().fileDialogs.push_back(
      {m_open, m_defaultExt, m_fileName, m_flags, m_filter, m_vistaStyle, m_parent != nullptr});
  if (!headless::S().fileAnswer) return IDCANCEL;
  m_path = *headless::S().fileAnswer;
  return IDOK;
}
