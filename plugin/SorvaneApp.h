// The plug-in's application object and its entry points, which the host calls: each is noexcept.
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

extern "C" std::int32_t Startup() noexcept;
// The registration's second slot: the command has no work for it.
std::int32_t SecondCallback() noexcept;
void UnloadPlugin() noexcept;
