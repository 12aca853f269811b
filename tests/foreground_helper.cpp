// Another program for the hook tests: its window, with a text field focused, comes to the front
// and stays until it is closed (or ten seconds have passed).
#include <windows.h>

namespace {

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY || message == WM_TIMER) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int)
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"SorvaneForegroundHelper";
    RegisterClassW(&windowClass);
    HWND window =
        CreateWindowExW(0, windowClass.lpszClassName, L"Sorvane test: another program",
                        WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 120, nullptr, nullptr, instance, nullptr);
    HWND field =
        CreateWindowExW(0, L"EDIT", L"abc", WS_CHILD | WS_VISIBLE, 10, 10, 200, 24, window, nullptr, instance, nullptr);
    SetForegroundWindow(window);
    SetFocus(field);
    SetTimer(window, 1, 10000, nullptr);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
