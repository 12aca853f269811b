// The entry point of a regular DLL built on this layer.
#include "afxwin.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD reason, LPVOID)
{
    try {
        if (reason == DLL_PROCESS_ATTACH)
            return AfxDllProcessAttach(hInstance);
        if (reason == DLL_PROCESS_DETACH)
            AfxDllProcessDetach();
        return TRUE;
    } catch (...) {
        return FALSE;
    }
}
