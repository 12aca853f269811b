// The entry point of a regular DLL built on this layer: the module's own state is current while
// the framework starts, the application object's InitInstance runs (FALSE fails the load), and
// at detach its ExitInstance. A thread of the host that starts or ends changes nothing: here the
// current module state is one for the whole process, and the settings dialog may be relying on
// it at that moment.
#include "afxwin.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD reason, LPVOID) noexcept
{
    if (reason != DLL_PROCESS_ATTACH && reason != DLL_PROCESS_DETACH)
        return TRUE;
    try {
        AFX_MANAGE_STATE(AfxGetStaticModuleState());
        if (reason == DLL_PROCESS_ATTACH) {
            if (!AfxWinInit(hInstance, nullptr, const_cast<LPWSTR>(L""), SW_HIDE))
                return FALSE;
            CWinApp* app = AfxGetApp();
            if (app && !app->InitInstance()) {
                app->ExitInstance();
                AfxWinTerm();
                return FALSE;
            }
        } else {
            if (CWinApp* app = AfxGetApp())
                app->ExitInstance();
            AfxWinTerm();
        }
        return TRUE;
    } catch (...) {
        return FALSE;
    }
}
