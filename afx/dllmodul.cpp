// The entry point of a regular DLL built on this layer: the module's own state is current while
// the framework starts, the application object's InitInstance runs (FALSE fails the load), and
// at detach its ExitInstance.
#include "afxwin.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD reason, LPVOID)
{
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
        } else if (reason == DLL_PROCESS_DETACH) {
            if (CWinApp* app = AfxGetApp())
                app->ExitInstance();
            AfxWinTerm();
        }
        return TRUE;
    } catch (...) {
        return FALSE;
    }
}
