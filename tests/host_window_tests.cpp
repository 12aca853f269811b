// The host window's time: `wait` and `press` pump its messages for a while, and must come back
// however busy the queue is, or a script on a large drawing never ends.
#include "tests/support/HostSupport.h"

#include <windows.h>

namespace {

constexpr UINT Again = WM_APP + 1;
DWORD BusyUntil = 0;

// Each message posts the next, for as long as the test allows: a queue that is never empty.
LRESULT CALLBACK BusyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == Again && static_cast<LONG>(BusyUntil - GetTickCount()) > 0)
        PostMessageW(window, Again, 0, 0);
    return message == Again ? 0 : DefWindowProcW(window, message, wParam, lParam);
}

TEST(HostWindowTime, ThePumpReturnsAtItsDeadlineWhileTheQueueStaysBusy)
{
    WNDCLASSW busyClass{};
    busyClass.lpfnWndProc = BusyProc;
    busyClass.hInstance = GetModuleHandleW(nullptr);
    busyClass.lpszClassName = L"BusyQueue";
    RegisterClassW(&busyClass);
    HWND busy = CreateWindowExW(0, L"BusyQueue", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(busy, nullptr);
    BusyUntil = GetTickCount() + 10000;
    PostMessageW(busy, Again, 0, 0);
    DWORD start = GetTickCount();
    ZhdPumpMessages(200);
    DWORD took = GetTickCount() - start;
    BusyUntil = GetTickCount();
    ZhdPumpMessages(50);
    DestroyWindow(busy);
    EXPECT_GE(took, 200u);
    EXPECT_LT(took, 5000u) << "a pump of 200 ms took " << took << " ms while messages kept coming";
}

}  // namespace
