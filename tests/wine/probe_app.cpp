// The probe dialog as a program of its own, entered through the platform's wWinMain as vantrelTool.exe is.
#include "tests/wine/probe_dialog.h"

namespace {

class ProbeApp : public CWinApp {
 public:
  BOOL InitInstance() override {
    CWinApp::InitInstance();
    probe::ProbeDialog dialog(true);
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
  }
};

ProbeApp theApp;

}  // namespace
