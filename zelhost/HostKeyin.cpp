#include "zelhost/HostKeyin.h"

#include "zelhost/Host.h"
#include "zelhost/ZelHostDriver.h"

#include <deque>
#include <string>

namespace zelhost {

namespace {

constexpr wchar_t FrameClass[] = L"ZelHostKeyin";
constexpr int FrameWidth = 640;
constexpr int LineHeight = 24;

HWND Frame = nullptr;  // the floating window of the key-in line, when it floats
HWND MainWindow = nullptr;
HWND KeyinLine = nullptr;

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND line = GetWindow(window, GW_CHILD);
    switch (message) {
    case WM_SIZE:
        if (line)
            MoveWindow(line, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_SETFOCUS:
        if (line)
            SetFocus(line);
        return 0;
    case WM_CLOSE:  // the key-in line goes with the main window alone
        return 0;
    case WM_DESTROY:
        Frame = nullptr;
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

// Over the lower part of the main window, as a floating key-in window sits by default.
HWND CreateFrame(HWND main)
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW frameClass = {};
    frameClass.lpfnWndProc = FrameProc;
    frameClass.hInstance = instance;
    frameClass.lpszClassName = FrameClass;
    RegisterClassW(&frameClass);
    RECT outer = {0, 0, FrameWidth, LineHeight};
    AdjustWindowRectEx(&outer, WS_POPUP | WS_CAPTION, FALSE, WS_EX_TOOLWINDOW);
    RECT placed{};
    GetWindowRect(main, &placed);
    return CreateWindowExW(WS_EX_TOOLWINDOW, FrameClass, L"키인", WS_POPUP | WS_CAPTION | WS_VISIBLE, placed.left + 60,
                           placed.bottom - 160, outer.right - outer.left, outer.bottom - outer.top, main, nullptr,
                           instance, nullptr);
}

// What the key-in line hands on: a key-in (a confirm when empty) or Escape's cancel.
struct Waiting {
    bool cancel;
    std::wstring text;
    DWORD due;
};
std::deque<Waiting> Queue;
UINT_PTR Timer = 0;

void Handle(const Waiting& waiting)
{
    if (waiting.cancel)
        ZhdCancelCommand();
    else
        Host().KeyinLineEntered(waiting.text);
}

void CALLBACK HandleDue(HWND, UINT, UINT_PTR, DWORD);

void Disarm()
{
    if (Timer)
        KillTimer(nullptr, Timer);
    Timer = 0;
}

void Arm(DWORD after)
{
    Disarm();
    Timer = SetTimer(nullptr, 0, after, HandleDue);
}

void CALLBACK HandleDue(HWND, UINT, UINT_PTR, DWORD)
{
    Disarm();
    // Nothing reaches the plug-in while it handles an event (a message box of its own is up).
    while (!Queue.empty() && !Host().protocol.InEvent() && static_cast<LONG>(GetTickCount() - Queue.front().due) >= 0) {
        Waiting next = std::move(Queue.front());
        Queue.pop_front();
        Handle(next);
    }
    if (!Queue.empty()) {
        LONG left = static_cast<LONG>(Queue.front().due - GetTickCount());
        Arm(left > 10 ? static_cast<DWORD>(left) : 10);
    }
}

void Submit(Waiting waiting)
{
    DWORD delay = static_cast<DWORD>(Host().kind.keyinDelay);
    if (delay == 0 && Queue.empty() && !Host().protocol.InEvent()) {
        Handle(waiting);
        return;
    }
    waiting.due = GetTickCount() + delay;
    Queue.push_back(std::move(waiting));
    if (!Timer)
        Arm(delay > 0 ? delay : 10);
}

}  // namespace

void PlaceKeyinLine(HWND main, HWND line)
{
    MainWindow = main, KeyinLine = line;
    if (!IsWindow(main) || !IsWindow(line))
        return;
    if (Host().kind.floatingKeyin) {
        if (!Frame)
            Frame = CreateFrame(main);
        SetParent(line, Frame);
        RECT client{};
        GetClientRect(Frame, &client);
        MoveWindow(line, 0, 0, client.right, client.bottom, TRUE);
    } else {
        SetParent(line, main);
        if (Frame)
            DestroyWindow(Frame);
    }
    RECT client{};
    GetClientRect(main, &client);
    SendMessageW(main, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
}

void ApplyHostKind() { PlaceKeyinLine(MainWindow, KeyinLine); }

HWND KeyinWindowOf(HWND line) { return line ? GetAncestor(line, GA_ROOT) : nullptr; }

void SubmitKeyinLine(HWND line, const std::wstring& text)
{
    if (Host().kind.keepsSubmitted)
        SendMessageW(line, EM_SETSEL, 0, -1);
    else
        SetWindowTextW(line, L"");
    Submit(Waiting{false, text, 0});
}

void PressEscape()
{
    if (!Host().kind.escapeClears)
        Submit(Waiting{true, L"", 0});
}

void DropWaitingKeyins()
{
    Queue.clear();
    Disarm();
}

bool DeleteOfTheHost(HWND line)
{
    if (!Host().kind.deletesSelection || GetWindowTextLengthW(line) > 0)
        return false;
    Host().DeleteSelection();
    return true;
}

LRESULT ActivatingClick()
{
    DWORD process = 0;
    HWND before = GetForegroundWindow();
    bool fromAnotherProgram =
        !before || !GetWindowThreadProcessId(before, &process) || process != GetCurrentProcessId();
    return fromAnotherProgram && !Host().kind.deliversActivatingClick ? MA_ACTIVATEANDEAT : MA_ACTIVATE;
}

}  // namespace zelhost
