// The library's application object.  It plays no part in the engine.
#include "afxwin.h"

class CCalvexApp : public CWinApp {
 public:
  BOOL InitInstance() override { return CWinApp::InitInstance(); }
};

CCalvexApp theApp;
