#include "base/pch.h"

#include "base/Guarded.h"
#include "command/Command.h"
#include "hook/KeyHook.h"
#include "plugin/SorvaneApp.h"

BEGIN_MESSAGE_MAP(CSorvaneApp, CWinApp)
END_MESSAGE_MAP()

CSorvaneApp::CSorvaneApp() : CWinApp(nullptr) {}

BOOL CSorvaneApp::InitInstance()
{
    CWinApp::InitInstance();
    return TRUE;
}

extern "C" std::int32_t Startup() noexcept
{
    return Guarded(-1, [] { return ZelCtlRegisterZelLib2(StartCommand, SecondCallback, UnloadPlugin) > 0 ? 0 : -1; });
}

std::int32_t SecondCallback() noexcept { return 0; }

void UnloadPlugin() noexcept
{
    Guarded([] { RemoveKeyHook(); });
}
