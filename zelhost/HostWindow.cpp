// The host window, as a person uses it: a toolbar with the command's button, the drawing view,
// and the key-in line. The host turns what the person does into the command's events:
//   left click   an element pick (the prompt takes picks) or a data point (it takes points)
//   right click  a confirm; so is Enter on an empty key-in line
//   Enter        the key-in line's text as a key-in
//   Escape       empties the key-in line and cancels the command that runs
//   F2, button   starts the command;  F3  starts the host's own text command
// and keeps the view the person's own: the wheel zooms about the pointer, a middle-button drag
// pans, Home (on an empty key-in line) fits the whole drawing. None of these reach the plug-in.
// The prompt shows beside the mouse where it is on the screen, whatever the view does; the status
// bar says what a click picked. By hand, the transcript records what the person did.
#include "zelhost/HostWindow.h"

#include "base/UniqueHandle.h"
#include "zelhost/Host.h"
#include "zelhost/HostKeyin.h"
#include "zelhost/Palette.h"
#include "zelhost/Pictures.h"
#include "zelhost/Utf8.h"
#include "zelhost/ViewElements.h"
#include "zelhost/ZelHostDriver.h"

#include <windows.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

namespace zelhost {

namespace {

constexpr wchar_t WindowClass[] = L"ZelHostView";
constexpr int ToolbarHeight = 34;
constexpr int KeyinHeight = 24;
constexpr int PickAperture = 6;
constexpr int StartButtonId = 1;
constexpr UINT_PTR BlinkTimer = 1;
// A blink's phase lasts this long from the end of the first paint that showed it: however long a
// paint takes, the next phase never starts before it ended, and the window has time for the rest.
constexpr UINT BlinkMilliseconds = 400;

HWND Window = nullptr;
HWND KeyinLine = nullptr;
HWND StartButton = nullptr;
WNDPROC EditProc = nullptr;
UniqueGdi<HBITMAP> CommandIcon;
UniqueGdi<HFONT> TextFont;  // the host's face for its controls, as the view writes in it
std::optional<POINT> PanningFrom;
std::optional<POINT> Mouse;  // where the mouse is over the view, in the window's client pixels
bool BlinkArmed = false;     // the blink timer runs for the phase shown

RECT ViewArea()
{
    RECT area{};
    GetClientRect(Window, &area);
    area.top += ToolbarHeight;
    area.bottom -= KeyinWindowOf(KeyinLine) == Window ? KeyinHeight : 0;
    return area;
}

// The view's area with its own origin, as the view is painted off screen.
RECT LocalViewArea()
{
    RECT area = ViewArea();
    return RECT{0, 0, area.right - area.left, area.bottom - area.top};
}

POINT ToLocal(POINT client)
{
    RECT area = ViewArea();
    return POINT{client.x - area.left, client.y - area.top};
}

bool InView(POINT pixel)
{
    RECT area = ViewArea();
    return PtInRect(&area, pixel) != FALSE;
}

std::wstring TextOf(HWND window)
{
    int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<size_t>(length));
    return text;
}

bool AnyCommandRunning() { return ZhdIsCommandRunning() || ZhdIsTextCommandRunning(); }

// By hand, what the person did, as the script line that does the same.
void Transcribe(const std::string& line)
{
    if (Host().transcribeWindowInput)
        Host().transcript.Say("> " + line);
}

void StartCommand()
{
    if (ZhdIsRegistered()) {
        Transcribe("command");
        ZhdStartCommand();
    }
    SetFocus(KeyinLine);
}

// A host message of its own, in the status bar: not something the plug-in showed.
void SayHost(const std::wstring& text)
{
    Host().view.Lines().host = text;
    Host().view.Changed();
}

// What the status bar says a pick took: the annotation's text, on one line, or the element.
std::wstring PickedWord(const Element& picked)
{
    std::wstring id = std::to_wstring(picked.id);
    if (!picked.IsAnnotation())
        return L"선택한 요소: " + id;
    std::wstring text = picked.text;
    std::replace_if(
        text.begin(), text.end(), [](wchar_t c) { return c < L' '; }, L' ');
    return L"선택한 주기: \"" + text + L"\" (요소 " + id + L")";
}

void LeftClick(POINT pixel)
{
    if (!AnyCommandRunning()) {
        if (Host().kind.deletesSelection)
            Host().SelectAt(pixel, ViewArea(), PickAperture);
        return;
    }
    View& view = Host().view;
    std::int32_t mask = view.Input().mask;
    if (mask & PickBit) {
        const Element* picked = view.ElementAt(pixel, ViewArea(), PickAperture);
        if (!picked) {
            SayHost(L"선택할 요소가 없습니다.");
            return;
        }
        // Said once the pick is handled: the prompt that follows clears the host's last word.
        std::wstring took = PickedWord(*picked);
        Transcribe("pick " + std::to_string(picked->id));
        ZhdSendPick(picked->id);
        SayHost(took);
    } else if (mask & PointBit) {
        SayHost(L"");
        EventPoint at = view.ViewportFor(ViewArea()).ToDrawing(pixel);
        Transcribe("point " + TranscriptNumber(at.x) + " " + TranscriptNumber(at.y));
        ZhdSendPoint(at.x, at.y);
    }
}

// Keys the host takes wherever the focus is; false for every other key.
bool HostKey(WPARAM key)
{
    switch (key) {
    case VK_F2:
        StartCommand();
        return true;
    case VK_F3:
        Transcribe("text");
        ZhdStartTextCommand();
        return true;
    case VK_F4:
        OpenPalette(Window, TextFont.Get());
        return true;
    case VK_ESCAPE:
        // What was typed goes with the command, so that a later Enter cannot hand it to another.
        ClearKeyinLine();
        if (AnyCommandRunning() && !Host().kind.escapeClears)
            Transcribe("cancel");
        PressEscape();
        return true;
    case VK_DELETE:
        return DeleteOfTheHost(KeyinLine);
    case VK_HOME:
        if (GetWindowTextLengthW(KeyinLine) > 0)
            return false;
        Transcribe("fit");
        Host().view.FitAll();
        return true;
    default:
        return false;
    }
}

LRESULT CALLBACK KeyinLineProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_KEYDOWN && wParam == VK_CLEAR) {
        SetWindowTextW(window, L"");
        return 0;
    }
    if (message == WM_KEYDOWN && wParam == VK_RETURN) {
        std::wstring text = TextOf(window);
        if (AnyCommandRunning())
            Transcribe(text.empty() ? "confirm" : "keyin " + Utf8FromWide(text));
        SayHost(L"");
        SubmitKeyinLine(window, text);
        return 0;
    }
    if (message == WM_KEYDOWN && HostKey(wParam))
        return 0;
    if (message == WM_CHAR && (wParam == L'\r' || wParam == L'\n' || wParam == 0x1B))
        return 0;
    return CallWindowProcW(EditProc, window, message, wParam, lParam);
}

void OnSize(int width, int height)
{
    if (KeyinWindowOf(KeyinLine) == Window)
        MoveWindow(KeyinLine, 0, height - KeyinHeight, width, KeyinHeight, TRUE);
    Host().view.Changed();
}

// The toolbar's face, and the view painted off screen first, so that it does not flicker as
// it blinks.
void OnPaint(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    RECT toolbar = {0, 0, client.right, ToolbarHeight};
    FillRect(dc, &toolbar, GetSysColorBrush(COLOR_BTNFACE));
    RECT area = ViewArea();
    RECT local = LocalViewArea();
    if (local.right > 0 && local.bottom > 0) {
        UniqueMemoryDc memory(CreateCompatibleDC(dc));
        UniqueGdi<HBITMAP> bitmap(CreateCompatibleBitmap(dc, local.right, local.bottom));
        Selected selected(memory.Get(), bitmap.Get());
        Host().view.Paint(memory.Get(), local, true, Mouse ? std::optional(ToLocal(*Mouse)) : std::nullopt);
        BitBlt(dc, area.left, area.top, local.right, local.bottom, memory.Get(), 0, 0, SRCCOPY);
    }
    EndPaint(window, &paint);
    if (!BlinkArmed && !Host().view.Blinking().empty())
        BlinkArmed = SetTimer(window, BlinkTimer, BlinkMilliseconds, nullptr) != 0;
}

void OnMouseMove(POINT pixel)
{
    View& view = Host().view;
    if (PanningFrom) {
        view.Pan(pixel.x - PanningFrom->x, pixel.y - PanningFrom->y, ViewArea());
        PanningFrom = pixel;
    }
    Mouse = InView(pixel) ? std::optional(pixel) : std::nullopt;
    view.SetPointer(Mouse ? std::optional(view.ViewportFor(LocalViewArea()).ToDrawing(ToLocal(pixel))) : std::nullopt);
}

void OnMouseWheel(HWND window, POINT screen, int delta)
{
    POINT pixel = screen;
    ScreenToClient(window, &pixel);
    if (!InView(pixel))
        return;
    double notches = delta / static_cast<double>(WHEEL_DELTA);
    Host().view.ZoomAbout(ToLocal(pixel), std::pow(1.25, notches), LocalViewArea());
}

void OnLeftButtonDown(POINT pixel)
{
    if (InView(pixel))
        LeftClick(pixel);
    SetFocus(KeyinLine);
}

void OnRightButtonUp(POINT pixel)
{
    if (InView(pixel) && ZhdIsCommandRunning()) {
        Transcribe("confirm");
        SayHost(L"");
        ZhdSendConfirm();
    }
}

void OnMiddleButtonDown(HWND window, POINT pixel)
{
    PanningFrom = pixel;
    SetCapture(window);
}

void OnMiddleButtonUp()
{
    PanningFrom.reset();
    ReleaseCapture();
}

void OnTimer(HWND window, WPARAM timer)
{
    if (timer != BlinkTimer)
        return;
    KillTimer(window, BlinkTimer);
    BlinkArmed = false;
    Host().view.ToggleBlinkPhase();
}

void OnCommand(WPARAM command)
{
    if (LOWORD(command) == StartButtonId)
        StartCommand();
}

void OnSetFocus()
{
    if (KeyinLine)
        SetFocus(KeyinLine);
}

void OnDestroy(HWND window)
{
    KillTimer(window, BlinkTimer);
    BlinkArmed = false;
    Host().view.SetWindow(nullptr);
    Window = KeyinLine = StartButton = nullptr;
    Mouse.reset();
    PostQuitMessage(0);
}

// One handler a message.
LRESULT CALLBACK ViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    POINT pixel{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (message) {
    case WM_SIZE:
        OnSize(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_PAINT:
        OnPaint(window);
        return 0;
    case WM_TIMER:
        OnTimer(window, wParam);
        return 0;
    case WM_COMMAND:
        OnCommand(wParam);
        return 0;
    case WM_MOUSEACTIVATE:
        return ActivatingClick();
    case WM_LBUTTONDOWN:
        OnLeftButtonDown(pixel);
        return 0;
    case WM_RBUTTONUP:
        OnRightButtonUp(pixel);
        return 0;
    case WM_MBUTTONDOWN:
        OnMiddleButtonDown(window, pixel);
        return 0;
    case WM_MBUTTONUP:
        OnMiddleButtonUp();
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove(pixel);
        return 0;
    case WM_MOUSEWHEEL:
        OnMouseWheel(window, pixel, GET_WHEEL_DELTA_WPARAM(wParam));
        return 0;
    case WM_KEYDOWN:
        if (HostKey(wParam))
            return 0;
        break;
    case WM_SETFOCUS:
        OnSetFocus();
        return 0;
    case WM_DESTROY:
        OnDestroy(window);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

bool WindowOpen() { return Window != nullptr; }

void ClearKeyinLine()
{
    if (KeyinLine)
        SetWindowTextW(KeyinLine, L"");
}

}  // namespace zelhost

using namespace zelhost;

ZHDAPI void* ZhdCreateWindow()
try {
    if (Window)
        return Window;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = ViewProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_CROSS));
    windowClass.lpszClassName = WindowClass;
    RegisterClassW(&windowClass);
    Window = CreateWindowExW(0, WindowClass, HostCaption, WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 900,
                             700, nullptr, nullptr, instance, nullptr);
    if (!Window)
        return nullptr;
    StartButton = CreateWindowExW(0, L"BUTTON", L"Sorvane", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 4, 3, 90, 28, Window,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(StartButtonId)), instance, nullptr);
    RECT client;
    GetClientRect(Window, &client);
    KeyinLine =
        CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 0,
                        client.bottom - KeyinHeight, client.right, KeyinHeight, Window, nullptr, instance, nullptr);
    EditProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(KeyinLine, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(KeyinLineProc)));
    // The controls write in the host's face too: the system's own has no Hangul here, and it is bold.
    if (!TextFont)
        TextFont = UniqueGdi<HFONT>(CreateFace(HostTextHeight));
    for (HWND control : {StartButton, KeyinLine})
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(TextFont.Get()), FALSE);
    PlaceKeyinLine(Window, KeyinLine);
    Host().view.SetWindow(Window);
    ZhdFocusKeyinLine();
    return Window;
} catch (...) {
    return Failed(__func__, nullptr);
}

ZHDAPI std::int32_t ZhdSetCommandIcon(const wchar_t* pngPath)
try {
    if (!StartButton || !pngPath)
        return 1;
    UniqueGdi<HBITMAP> icon(LoadPng(pngPath, GetSysColor(COLOR_BTNFACE)));
    if (!icon)
        return 1;
    SetWindowLongPtrW(StartButton, GWL_STYLE, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON | BS_BITMAP);
    SetWindowPos(StartButton, nullptr, 4, 3, 30, 30, SWP_NOZORDER);
    SendMessageW(StartButton, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(icon.Get()));
    CommandIcon = std::move(icon);
    return 0;
} catch (...) {
    return Failed(__func__, 1);
}

ZHDAPI void ZhdFocusKeyinLine()
try {
    if (!Window)
        return;
    SetForegroundWindow(KeyinWindowOf(KeyinLine));
    SetActiveWindow(KeyinWindowOf(KeyinLine));
    SetFocus(KeyinLine);
} catch (...) {
    Failed(__func__);
}

ZHDAPI std::int32_t ZhdScreenPointOf(double x, double y, std::int32_t* screenX, std::int32_t* screenY)
try {
    if (!Window || !screenX || !screenY)
        return 1;
    RECT area = ViewArea();
    POINT pixel = Host().view.ViewportFor(LocalViewArea()).ToPixel(x, y);
    pixel.x += area.left;
    pixel.y += area.top;
    if (!PtInRect(&area, pixel))
        return 1;
    ClientToScreen(Window, &pixel);
    *screenX = pixel.x;
    *screenY = pixel.y;
    return 0;
} catch (...) {
    return Failed(__func__, 1);
}

ZHDAPI void ZhdFitView()
try {
    Host().view.FitAll();
} catch (...) {
    Failed(__func__);
}

ZHDAPI void ZhdOpenPalette()
try {
    OpenPalette(Window, TextFont.Get());
} catch (...) {
    Failed(__func__);
}
