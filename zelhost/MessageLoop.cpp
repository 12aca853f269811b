// The host's message loops: the one a script or test runs for a while, and the one a person
// uses until the window is closed.
#include "zelhost/Host.h"
#include "zelhost/HostWindow.h"
#include "zelhost/ZelHostDriver.h"

#include <windows.h>

#include <algorithm>

using namespace zelhost;

// Returns at its deadline however busy the queue is, for the deadline is looked at after every
// message; at least one waiting message is handled, even with no time given.
ZHDAPI void ZhdPumpMessages(std::int32_t milliseconds)
try {
    DWORD end = GetTickCount() + static_cast<DWORD>(std::max<std::int32_t>(milliseconds, 0));
    MSG message;
    for (;;) {
        LONG left = static_cast<LONG>(end - GetTickCount());
        if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        } else if (left > 0) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left), QS_ALLINPUT);
        }
        if (static_cast<LONG>(end - GetTickCount()) <= 0)
            return;
    }
} catch (...) {
    Failed(__func__);
}

ZHDAPI void ZhdRunWindow()
try {
    MSG message;
    while (WindowOpen() && GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
} catch (...) {
    Failed(__func__);
}
