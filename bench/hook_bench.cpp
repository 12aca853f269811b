// The keyboard hook's own time per key event: for a key it passes on at once, for a shortcut key
// it passes on after gathering the facts (a modifier held), and for a shortcut key it acts on
// (typing the browse word, whose sixteen events pass through the hook too). Medians of many
// calls of the hook procedure, on the thread that installed it, as the system calls it.
#include "base/pch.h"

#include "bench/BenchClock.h"

#include "hook/KeyHook.h"

#include <cstdio>
#include <vector>

namespace {

double MedianMicroseconds(int calls, DWORD key, HWND field)
{
    std::vector<double> times;
    for (int i = 0; i < calls; ++i) {
        KBDLLHOOKSTRUCT event{key, 0, 0, GetTickCount(), 0};
        auto call = [&] { KeyHookProc(HC_ACTION, WM_KEYDOWN, reinterpret_cast<LPARAM>(&event)); };
        times.push_back(Seconds(call) * 1e6);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
        SetWindowTextW(field, L"");
        NoteBrowseEvent();  // as the browse step does when the typed word arrives
        NoteKeyin(L"zoomn");
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main()
{
    HWND field = CreateWindowExW(0, L"EDIT", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 100, nullptr, nullptr,
                                 nullptr, nullptr);
    SetForegroundWindow(field);
    SetFocus(field);
    InstallKeyHook();

    double other = MedianMicroseconds(10000, 'A', field);
    double acted = MedianMicroseconds(200, VK_RIGHT, field);
    keybd_event(VK_CONTROL, 0, 0, 0);  // held through the system, as the hook sees it and asks it
    double passed = MedianMicroseconds(2000, VK_RIGHT, field);
    keybd_event(VK_CONTROL, 0, KEYEVENTF_KEYUP, 0);
    RemoveKeyHook();

    std::printf("hook, another key passed on: %.2f us\n", other);
    std::printf("hook, a shortcut key passed on (modifier held): %.2f us\n", passed);
    std::printf("hook, a shortcut key acted on (typing included): %.2f us\n", acted);
    return 0;
}
