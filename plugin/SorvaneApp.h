// The plug-in's application object: the framework's start-up for a regular DLL constructs it at
// load and runs its InitInstance.
#pragma once

#include <afxwin.h>

class CSorvaneApp : public CWinApp {
public:
    CSorvaneApp();
    BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};

extern CSorvaneApp theApp;
