// What the shared platform code asks of a backend (Win32 or headless) beyond CWnd's members.
#pragma once

namespace backend {
// The native child window of `parent` with control id `id`, or null.
void* NativeChild(void* parent, int id);
}  // namespace backend
