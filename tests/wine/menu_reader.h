// Reads a window's system menu inside the window's own process, where the menu lives (a hook DLL).
#pragma once

#include <windows.h>

#include <string>

// The DLL's hook procedure, for WH_CALLWNDPROC on the window's thread. When the window is sent
// the registered message kMenuReaderMessage, the hook writes the window's system menu into the
// shared memory named MenuReaderMemoryName(pid of the window's process): one line per entry,
// "<id>\t<0 or 1 for a separator>\t<text>\n", as UTF-16 ending in a zero.
#define VANTREL_MENU_READER_HOOK "MenuReaderHook"
#define VANTREL_MENU_READER_MESSAGE L"vantrel-read-system-menu"
#define VANTREL_MENU_READER_MEMORY L"vantrel-system-menu-"
#define VANTREL_MENU_READER_BYTES 65536

// The system menu of `window` in that line format; the same text in and out of the program.
inline std::wstring DescribeSystemMenu(HWND window) {
  std::wstring out;
  HMENU menu = ::GetSystemMenu(window, FALSE);
  const int count = menu ? ::GetMenuItemCount(menu) : 0;
  for (int i = 0; i < count; ++i) {
    wchar_t text[256] = {};
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = 255;
    if (!::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info)) continue;
    out += std::to_wstring(info.wID) + L"\t" + ((info.fType & MFT_SEPARATOR) ? L"1" : L"0") + L"\t" + text + L"\n";
  }
  return out;
}
