// The dialog (or message box) of the calling thread that is up, if any: what answering a dialog
// from inside its own modal loop looks for. The tests include it as well.
#pragma once

#include <windows.h>

#include <cwchar>

namespace zelhost {

inline HWND OpenDialog()
{
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM result) -> BOOL {
            wchar_t name[16] = {};
            GetClassNameW(window, name, 16);
            if (!IsWindowVisible(window) || std::wcscmp(name, L"#32770") != 0)
                return TRUE;
            *reinterpret_cast<HWND*>(result) = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

}  // namespace zelhost
