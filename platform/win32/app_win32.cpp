// The application object and the system services the dialogs ask for (icons, strings, shell, cursor).
#include "platform/win32/win32.h"

namespace {

CWinApp*& TheApp() {
  static CWinApp* app = nullptr;
  return app;
}

// The name given to SetRegistryKey. Only remembered: the program keeps no settings.
CString& RegistryKeyName() {
  static CString name;
  return name;
}

HINSTANCE Module() { return ::GetModuleHandleW(nullptr); }

}  // namespace

CWinApp::CWinApp(const wchar_t*) { TheApp() = this; }

CWinApp::~CWinApp() {
  if (TheApp() == this) TheApp() = nullptr;
}

BOOL CWinApp::InitInstance() {
  if (m_dwRestartManagerSupportFlags & AFX_RESTART_MANAGER_SUPPORT_RESTART) {
    // Looked up at run time: older systems (and some Wine builds) lack the call.
    using RegisterRestart = HRESULT(WINAPI*)(PCWSTR, DWORD);
    if (HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll")) {
      if (auto reg = reinterpret_cast<RegisterRestart>(
              reinterpret_cast<void*>(::GetProcAddress(kernel, "RegisterApplicationRestart"))))
        reg(L"", 0);
    }
  }
  return TRUE;
}

void CWinApp::SetRegistryKey(const wchar_t* key) { RegistryKeyName() = key ? key : L""; }

IconRef CWinApp::LoadIcon(unsigned id) const { return LoadIconResource(id); }

CWinApp* AfxGetApp() { return TheApp(); }

IconRef LoadIconResource(unsigned id) {
  return ::LoadIconW(Module(), MAKEINTRESOURCEW(id));  // at SM_CXICON x SM_CYICON
}

void AfxEnableControlContainer(void*) {}

void InitCommonControlsClasses(unsigned classMask) {
  INITCOMMONCONTROLSEX init{};
  init.dwSize = sizeof init;
  init.dwICC = classMask;
  ::InitCommonControlsEx(&init);
}

BOOL LoadString(CString& text, unsigned id) {
  // With a zero buffer size the call hands back a pointer into the resource itself.
  const wchar_t* resource = nullptr;
  const int length = ::LoadStringW(Module(), id, reinterpret_cast<LPWSTR>(&resource), 0);
  text = length > 0 && resource ? CString(resource, static_cast<std::size_t>(length)) : CString();
  return !text.empty();
}

int SystemMetric(int index) { return ::GetSystemMetrics(index); }

void ShellOpen(const CString& address) {
  ::ShellExecuteW(nullptr, L"open", address.c_str(), nullptr, nullptr, SW_SHOW);
}

void SetHandCursor() { ::SetCursor(::LoadCursorW(nullptr, IDC_HAND)); }
