// The application object: prepares the platform and runs the main dialog.
#pragma once

#include "platform/afx.h"

class CvantrelToolApp : public CWinApp {
 public:
  CvantrelToolApp();
  BOOL InitInstance() override;
};

extern CvantrelToolApp theApp;
