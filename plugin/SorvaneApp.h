// The plug-in's application object and its entry points.
#pragma once

#include <afxwin.h>

#include <cstdint>

class CSorvaneApp : public CWinApp {
public:
    CSorvaneApp();
    BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};

extern CSorvaneApp theApp;

extern "C" std::int32_t Startup();
void UnloadPlugin();
