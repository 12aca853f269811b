#include "HostWindow.h"

#include "Host.h"
#include "ZelHostDriver.h"

#include <windows.h>

#include <string>

namespace zelhost {

namespace {

constexpr wchar_t WindowClass[] = L"ZelHostView";
constexpr int KeyinHeight = 24;

HWND Window = nullptr;
HWND KeyinLine = nullptr;
WNDPROC EditProc = nullptr;

std::wstring TextOf(HWND window)
{
    int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<size_t>(length));
    return text;
}

LRESULT CALLBACK KeyinLineProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_KEYDOWN && wParam == VK_CLEAR) {
        SetWindowTextW(window, L"");
        return 0;
    }
    if (message == WM_KEYDOWN && wParam == VK_RETURN) {
        std::wstring text = TextOf(window);
        SetWindowTextW(window, L"");
        ZhdSendKeyin(text.c_str());
        return 0;
    }
    if (message == WM_CHAR && (wParam == L'\r' || wParam == L'\n'))
        return 0;
    return CallWindowProcW(EditProc, window, message, wParam, lParam);
}

LRESULT CALLBACK ViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE:
        if (KeyinLine)
            MoveWindow(KeyinLine, 0, HIWORD(lParam) - KeyinHeight, LOWORD(lParam), KeyinHeight, TRUE);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT area;
        GetClientRect(window, &area);
        area.bottom -= KeyinHeight;
        Host().view.Paint(dc, area);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_SETFOCUS:
        if (KeyinLine)
            SetFocus(KeyinLine);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

void ClearKeyinLine()
{
    if (KeyinLine)
        SetWindowTextW(KeyinLine, L"");
}

}  // namespace zelhost

using namespace zelhost;

ZHDAPI void* ZhdCreateWindow()
{
    if (Window)
        return Window;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = ViewProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.lpszClassName = WindowClass;
    RegisterClassW(&windowClass);
    Window = CreateWindowExW(0, WindowClass, L"Zel host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 800, 600, nullptr,
                             nullptr, instance, nullptr);
    if (!Window)
        return nullptr;
    RECT client;
    GetClientRect(Window, &client);
    KeyinLine =
        CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 0,
                        client.bottom - KeyinHeight, client.right, KeyinHeight, Window, nullptr, instance, nullptr);
    EditProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(KeyinLine, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(KeyinLineProc)));
    Host().view.SetWindow(Window);
    ZhdFocusKeyinLine();
    return Window;
}

ZHDAPI void ZhdFocusKeyinLine()
{
    if (!Window)
        return;
    SetForegroundWindow(Window);
    SetActiveWindow(Window);
    SetFocus(KeyinLine);
}

ZHDAPI void ZhdPumpMessages(std::int32_t milliseconds)
{
    DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
    do {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    } while (static_cast<LONG>(end - GetTickCount()) > 0);
}
