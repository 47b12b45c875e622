// Backend-independent parts of the platform layer: event tables, data exchange, dialog basics.
#include "platform/afx.h"
#include "platform/backend.h"

CWnd::CWnd() = default;
const CRuntimeClass CWnd::classInfo{"CWnd", nullptr};
IMPLEMENT_DYNAMIC(CStatic, CWnd)
IMPLEMENT_DYNAMIC(CDialogEx, CWnd)
CWnd::~CWnd() = default;

const EventTable* CWnd::GetThisMessageMap() {
  static const EventEntry entries[] = {{EventKind::End, 0, 0, {}}};
  static const EventTable table{nullptr, entries};
  return &table;
}

const EventTable* CWnd::GetMessageMap() const { return GetThisMessageMap(); }

std::intptr_t CWnd::Default() {
  m_defaultRequested = true;
  return m_defaultResult;
}

void CWnd::OnSysCommand(unsigned, std::intptr_t) { Default(); }
void CWnd::OnPaint() { Default(); }
IconRef CWnd::OnQueryDragIcon() { return reinterpret_cast<IconRef>(Default()); }
void CWnd::OnMouseMove(unsigned, CPoint) { Default(); }
void CWnd::OnLButtonUp(unsigned, CPoint) { Default(); }
BOOL CWnd::OnSetCursor(CWnd*, unsigned, unsigned) { return static_cast<BOOL>(Default()); }

namespace {
const EventEntry* FindEntry(const EventTable* table, EventKind kind, const EventArgs& args) {
  for (; table; table = table->base) {
    for (const EventEntry* e = table->entries; e->kind != EventKind::End; ++e) {
      if (e->kind != kind) continue;
      if (kind == EventKind::Command && (e->code != args.code || e->id != args.id)) continue;
      return e;
    }
  }
  return nullptr;
}
}  // namespace

EventResult CWnd::Dispatch(EventKind kind, const EventArgs& args) {
  const EventEntry* entry = FindEntry(GetMessageMap(), kind, args);
  if (!entry) return {};
  const bool outerDefault = m_defaultRequested;  // a handler may dispatch again (nested dialogs)
  m_defaultRequested = false;
  EventResult result{true, 0};
  const AnyHandler& h = entry->handler;
  switch (kind) {
    case EventKind::Command:
    case EventKind::Paint:
      (this->*std::get<void (CWnd::*)()>(h))();
      break;
    case EventKind::SysCommand:
      (this->*std::get<void (CWnd::*)(unsigned, std::intptr_t)>(h))(args.nID, args.lParam);
      break;
    case EventKind::QueryDragIcon:
      result.value = reinterpret_cast<std::intptr_t>((this->*std::get<IconRef (CWnd::*)()>(h))());
      break;
    case EventKind::CtlColor:
      result.value = reinterpret_cast<std::intptr_t>(
          (this->*std::get<BrushRef (CWnd::*)(CDC*, CWnd*, unsigned)>(h))(args.dc, args.wnd, args.ctlColor));
      break;
    case EventKind::MouseMove:
    case EventKind::LButtonUp:
      (this->*std::get<void (CWnd::*)(unsigned, CPoint)>(h))(args.flags, args.point);
      break;
    case EventKind::MouseHover:
    case EventKind::MouseLeave:
      result.value = (this->*std::get<std::intptr_t (CWnd::*)(std::uintptr_t, std::intptr_t)>(h))(args.wParam, args.lParam);
      break;
    case EventKind::SetCursor:
      result.value = (this->*std::get<BOOL (CWnd::*)(CWnd*, unsigned, unsigned)>(h))(args.wnd, args.hitTest, args.message);
      break;
    case EventKind::End:
      break;
  }
  if (m_defaultRequested) result.handled = false;
  m_defaultRequested = outerDefault;
  return result;
}

CString CWnd::GetWindowText() const {
  CString text;
  GetWindowText(text);
  return text;
}

CWnd* CWnd::GetDlgItem(int id) const {
  if (auto it = m_controls.find(id); it != m_controls.end() && it->second->GetSafeHwnd()) return it->second;
  void* native = m_hWnd ? backend::NativeChild(m_hWnd, id) : nullptr;
  if (!native) return nullptr;
  auto& wrapper = m_wrappers[id];
  if (!wrapper) wrapper = std::make_unique<CWnd>();
  wrapper->Attach(native);
  return wrapper.get();
}

void CWnd::DetachControls() {
  for (auto& [id, control] : m_controls) control->Detach();
  m_controls.clear();
  for (auto& [id, wrapper] : m_wrappers) wrapper->Detach();
}

void DDX_Text(CDataExchange* pDX, int id, CString& value) {
  CWnd* control = pDX->m_pDlgWnd->GetDlgItem(id);
  if (!control) return;
  if (pDX->m_bSaveAndValidate)
    control->GetWindowText(value);
  else
    control->SetWindowText(value);
}

void DDX_Control(CDataExchange* pDX, int id, CWnd& control) {
  if (control.GetSafeHwnd()) return;
  if (control.SubclassDlgItem(id, pDX->m_pDlgWnd)) pDX->m_pDlgWnd->m_controls[id] = &control;
}

CDialogEx::CDialogEx(unsigned templateId, CWnd* parent) : m_templateId(templateId), m_parent(parent) {}
CDialogEx::~CDialogEx() = default;

BOOL CDialogEx::UpdateData(BOOL saveAndValidate) {
  CDataExchange dx(this, saveAndValidate);
  DoDataExchange(&dx);
  return TRUE;
}

BOOL CDialogEx::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialogEx::OnOK() {
  UpdateData(TRUE);
  EndDialog(IDOK);
}

void CDialogEx::OnCancel() { EndDialog(IDCANCEL); }

BEGIN_MESSAGE_MAP(CDialogEx, CWnd)
ON_BN_CLICKED(IDOK, &CDialogEx::OnOK)
ON_BN_CLICKED(IDCANCEL, &CDialogEx::OnCancel)
END_MESSAGE_MAP()

CFileDialog::CFileDialog(BOOL openFileDialog, const wchar_t* defaultExt, const wchar_t* fileName, unsigned flags,
                         const wchar_t* filter, CWnd* parent, unsigned, BOOL vistaStyle)
    : m_open(openFileDialog),
      m_defaultExt(defaultExt ? defaultExt : L""),
      m_fileName(fileName ? fileName : L""),
      m_flags(flags),
      m_filter(filter ? filter : L""),
      m_parent(parent),
      m_vistaStyle(vistaStyle) {}
