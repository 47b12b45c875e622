// The program's entry: the one application object's InitInstance is the whole program.
#include "platform/win32/win32.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // The application object's InitInstance runs the main dialog modally and returns FALSE:
  // the program ends when the dialog closes, without a message loop of its own.
  if (CWinApp* app = AfxGetApp()) app->InitInstance();
  return 0;
}
