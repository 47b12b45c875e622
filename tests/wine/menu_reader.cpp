// Hook DLL that reads the system menu inside the program being tested; under Wine a menu can be read only in its own process.
#include <algorithm>
#include <string>

#include "tests/wine/menu_reader.h"


extern "C" __declspec(dllexport) LRESULT CALLBACK MenuReaderHook(int code, WPARAM wParam, LPARAM lParam) {
  static const UINT request = ::RegisterWindowMessageW(VANTREL_MENU_READER_MESSAGE);
  const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && call && call->message == request) {
    const std::wstring name = VANTREL_MENU_READER_MEMORY + std::to_wstring(::GetCurrentProcessId());
    if (HANDLE mapping = ::OpenFileMappingW(FILE_MAP_WRITE, FALSE, name.c_str())) {
      if (void* view = ::MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, VANTREL_MENU_READER_BYTES)) {
        const std::wstring text = DescribeSystemMenu(call->hwnd);
        const size_t chars = std::min<size_t>(text.size(), VANTREL_MENU_READER_BYTES / sizeof(wchar_t) - 1);
        auto* target = static_cast<wchar_t*>(view);
        text.copy(target, chars);
        target[chars] = L'\0';
        ::UnmapViewOfFile(view);
      }
      ::CloseHandle(mapping);
    }
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}
