#include "plugin/pch.h"

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

namespace {

// The registration's second slot: the command has no work for it.
std::int32_t SecondCallback() { return 0; }

}  // namespace

extern "C" std::int32_t Startup()
{
    return ZelCtlRegisterZelLib2(StartCommand, SecondCallback, UnloadPlugin) > 0 ? 0 : -1;
}

void UnloadPlugin() { RemoveKeyHook(); }
