// A regular DLL whose application object refuses to start: loading it must fail.
#include <afxwin.h>

class CRefusingApp : public CWinApp {
public:
    BOOL InitInstance() override { return FALSE; }
};

CRefusingApp theRefusingApp;
