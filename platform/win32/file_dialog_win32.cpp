// CFileDialog on the system's common file dialog (GetOpenFileNameW/GetSaveFileNameW, Explorer style).
#include "platform/win32/win32.h"

#include <algorithm>
#include <vector>

namespace {

// "Text|pattern|Text|pattern|" becomes the system's "Text\0pattern\0...\0\0".
std::vector<wchar_t> SystemFilter(const CString& filter) {
  std::vector<wchar_t> out(filter.begin(), filter.end());
  if (out.empty()) return out;
  if (out.back() != L'|') out.push_back(L'|');
  for (wchar_t& c : out)
    if (c == L'|') c = L'\0';
  out.push_back(L'\0');
  return out;
}

// The system wants the bare extension: "*.img" and ".img" both mean "img"; "*.*" means none.
CString BareExtension(const CString& ext) {
  CString bare = ext;
  if (bare.rfind(L"*.", 0) == 0)
    bare.erase(0, 2);
  else if (bare.rfind(L".", 0) == 0)
    bare.erase(0, 1);
  if (bare.find_first_of(L"*?") != CString::npos) bare.clear();
  return bare;
}

}  // namespace

std::intptr_t CFileDialog::DoModal() {
  const std::vector<wchar_t> filter = SystemFilter(m_filter);
  const CString ext = BareExtension(m_defaultExt);
  // Room for any path the dialog can hand back, long paths included.
  std::vector<wchar_t> path(32768, L'\0');
  m_fileName.copy(path.data(), std::min(m_fileName.size(), path.size() - 1));

  HWND owner = win32::H(m_parent);
  if (!owner && AfxGetApp() && AfxGetApp()->m_pMainWnd) owner = win32::H(AfxGetApp()->m_pMainWnd);

  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter.empty() ? nullptr : filter.data();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = path.data();
  ofn.nMaxFile = static_cast<DWORD>(path.size());
  ofn.lpstrDefExt = ext.empty() ? nullptr : ext.c_str();
  ofn.Flags = m_flags | OFN_EXPLORER;
  const BOOL chosen = m_open ? ::GetOpenFileNameW(&ofn) : ::GetSaveFileNameW(&ofn);
  if (!chosen) return IDCANCEL;
  m_path = path.data();
  return IDOK;
}
