// Start-up: the one application object and its InitInstance, which runs the main dialog.
#include "app/vantrelToolApp.h"

#include <memory>
#include <new>

#include "main_dialog/vantrelToolDlg.h"

CvantrelToolApp theApp;

CvantrelToolApp::CvantrelToolApp() { m_dwRestartManagerSupportFlags = AFX_RESTART_MANAGER_SUPPORT_RESTART; }

BOOL CvantrelToolApp::InitInstance() {
  InitCommonControlsClasses(ICC_WIN95_CLASSES_MASK);
  CWinApp::InitInstance();
  AfxEnableControlContainer();
  std::unique_ptr<CShellManager> shellManager(new (std::nothrow) CShellManager);
  SetRegistryKey(L"应用程序向导生成的本地应用程序");

  CvantrelToolDlg dlg;
  m_pMainWnd = &dlg;
  dlg.DoModal();
  m_pMainWnd = nullptr;

  shellManager.reset();
  // The dialog has closed: end the program rather than run a message loop.
  return FALSE;
}
