// Reads a window's system menu inside the window's own process, where the menu lives (a hook DLL).
#pragma once

// The DLL's hook procedure, for WH_CALLWNDPROC on the window's thread. When the window is sent
// the registered message kMenuReaderMessage, the hook writes the window's system menu into the
// shared memory named MenuReaderMemoryName(pid of the window's process): one line per entry,
// "<id>\t<0 or 1 for a separator>\t<text>\n", as UTF-16 ending in a zero.
#define VANTREL_MENU_READER_HOOK "MenuReaderHook"
#define VANTREL_MENU_READER_MESSAGE L"vantrel-read-system-menu"
#define VANTREL_MENU_READER_MEMORY L"vantrel-system-menu-"
#define VANTREL_MENU_READER_BYTES 65536
