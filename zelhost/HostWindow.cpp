// The host window: the drawing view framed on the last zoom, and the key-in line below it.
// Also the answering of modal dialogs from inside their own modal loop.
#include "HostState.h"
#include "ZelHostDriver.h"

#include <windows.h>

#include <algorithm>
#include <cmath>

using namespace zelhost;

namespace {

constexpr wchar_t WindowClass[] = L"ZelHostView";
constexpr int KeyinHeight = 24;
WNDPROC EditProc = nullptr;

bool IsBlinking(const HostState& h, std::int32_t segmentId)
{
    return std::any_of(h.blinkSet.begin(), h.blinkSet.end(),
                       [&](const IdListEntry& e) { return e.segmentId == segmentId; });
}

// The box the view shows: the last zoom, or the whole drawing before any zoom.
BoundingBox ShownBox(HostState& h)
{
    if (h.hasView)
        return h.view;
    BoundingBox box{0, 0, 1, 1};
    bool first = true;
    for (const Segment& s : h.drawing.Segments()) {
        if (s.deleted)
            continue;
        for (const Element& e : s.elements) {
            if (first) {
                box = BoundingBox{e.x, e.y, e.x, e.y};
                first = false;
            }
            box.xmin = std::min(box.xmin, e.x);
            box.ymin = std::min(box.ymin, e.y);
            box.xmax = std::max(box.xmax, e.x);
            box.ymax = std::max(box.ymax, e.y);
        }
    }
    return box;
}

}  // namespace

// Draws the drawing framed on the last zoom: annotations as their text at their points, the
// blinking matches in red, the current match boxed, and the prompt and info lines on top.
void zelhost::PaintView(HDC dc, const RECT& area)
{
    HostState& h = Host();
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    BoundingBox box = ShownBox(h);
    double width = std::max(box.xmax - box.xmin, 1e-9);
    double height = std::max(box.ymax - box.ymin, 1e-9);
    double areaWidth = area.right - area.left - 20;
    double areaHeight = area.bottom - area.top - 20;
    double scale = std::min(areaWidth / width, areaHeight / height);
    double cx = (box.xmin + box.xmax) / 2;
    double cy = (box.ymin + box.ymax) / 2;
    auto toX = [&](double x) {
        return static_cast<int>(std::lround((area.left + area.right) / 2.0 + (x - cx) * scale));
    };
    auto toY = [&](double y) {
        return static_cast<int>(std::lround((area.top + area.bottom) / 2.0 - (y - cy) * scale));
    };

    // Annotations are 250 drawing units high, as on paper, within what stays readable.
    int textHeight = static_cast<int>(std::clamp(250 * scale, 9.0, 16.0));
    HFONT font =
        CreateFontW(-textHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, HANGUL_CHARSET, 0, 0, 0, 0, L"NanumGothic");
    HFONT bold =
        CreateFontW(-textHeight, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, HANGUL_CHARSET, 0, 0, 0, 0, L"NanumGothic");
    HFONT barFont =
        CreateFontW(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, HANGUL_CHARSET, 0, 0, 0, 0, L"NanumGothic");
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    HPEN gridPen = CreatePen(PS_SOLID, 1, RGB(170, 170, 170));
    HPEN markPen = CreatePen(PS_SOLID, 2, RGB(220, 0, 0));
    HBRUSH highlight = CreateSolidBrush(RGB(255, 236, 150));
    for (const Segment& s : h.drawing.Segments()) {
        if (s.deleted)
            continue;
        bool blinking = IsBlinking(h, s.id);
        for (const Element& e : s.elements) {
            int x = toX(e.x);
            int y = toY(e.y);
            if (x < area.left - 400 || x > area.right + 400 || y < area.top - 40 || y > area.bottom + 40)
                continue;
            if (e.type != AnnotationElementType) {
                HGDIOBJ oldPen = SelectObject(dc, gridPen);
                MoveToEx(dc, x - 2, y, nullptr);
                LineTo(dc, x + 3, y);
                MoveToEx(dc, x, y - 2, nullptr);
                LineTo(dc, x, y + 3);
                SelectObject(dc, oldPen);
                continue;
            }
            SelectObject(dc, blinking ? bold : font);
            SIZE extent{};
            GetTextExtentPoint32W(dc, e.text.c_str(), static_cast<int>(e.text.size()), &extent);
            if (blinking) {
                RECT back = {x - 2, y - extent.cy - 1, x + extent.cx + 2, y + 1};
                FillRect(dc, &back, highlight);
            }
            SetTextColor(dc, blinking ? RGB(200, 0, 0) : RGB(0, 0, 0));
            TextOutW(dc, x, y - extent.cy, e.text.c_str(), static_cast<int>(e.text.size()));
            bool current = blinking && h.hasView && std::fabs(e.x - cx) < 1e-6 && std::fabs(e.y - cy) < 1e-6;
            if (current) {
                HGDIOBJ oldPen = SelectObject(dc, markPen);
                HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
                Rectangle(dc, x - 6, y - extent.cy - 6, x + extent.cx + 6, y + 6);
                SelectObject(dc, oldBrush);
                SelectObject(dc, oldPen);
            }
        }
    }
    SelectObject(dc, barFont);
    RECT bar = {area.left, area.top, area.right, area.top + 20};
    FillRect(dc, &bar, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
    SetTextColor(dc, RGB(0, 0, 160));
    std::wstring status = h.prompt + L"   " + h.info;
    TextOutW(dc, area.left + 4, area.top + 3, status.c_str(), static_cast<int>(status.size()));
    SelectObject(dc, oldFont);
    DeleteObject(highlight);
    DeleteObject(markPen);
    DeleteObject(gridPen);
    DeleteObject(bold);
    DeleteObject(font);
    DeleteObject(barFont);
}

namespace {

LRESULT CALLBACK KeyinLineProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_KEYDOWN && wParam == VK_CLEAR) {
        SetWindowTextW(hwnd, L"");
        return 0;
    }
    if (message == WM_KEYDOWN && wParam == VK_RETURN) {
        int length = GetWindowTextLengthW(hwnd);
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        GetWindowTextW(hwnd, text.data(), length + 1);
        text.resize(static_cast<size_t>(length));
        SetWindowTextW(hwnd, L"");
        ZhdSendKeyin(text.c_str());
        return 0;
    }
    if (message == WM_CHAR && (wParam == L'\r' || wParam == L'\n'))
        return 0;
    return CallWindowProcW(EditProc, hwnd, message, wParam, lParam);
}

LRESULT CALLBACK ViewProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE:
        if (HWND line = Host().keyinLine)
            MoveWindow(line, 0, HIWORD(lParam) - KeyinHeight, LOWORD(lParam), KeyinHeight, TRUE);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT area;
        GetClientRect(hwnd, &area);
        area.bottom -= KeyinHeight;
        PaintView(dc, area);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_SETFOCUS:
        if (HWND line = Host().keyinLine)
            SetFocus(line);
        return 0;
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

BOOL CALLBACK FindDialog(HWND hwnd, LPARAM found)
{
    wchar_t name[16] = {};
    GetClassNameW(hwnd, name, 16);
    if (IsWindowVisible(hwnd) && std::wstring(name) == L"#32770") {
        *reinterpret_cast<HWND*>(found) = hwnd;
        return FALSE;
    }
    return TRUE;
}

std::wstring WindowText(HWND hwnd)
{
    wchar_t text[256] = {};
    GetWindowTextW(hwnd, text, 256);
    return text;
}

BOOL CALLBACK DescribeButton(HWND hwnd, LPARAM line)
{
    LONG style = GetWindowLongW(hwnd, GWL_STYLE) & 0x0F;
    if (style == BS_AUTORADIOBUTTON || style == BS_RADIOBUTTON) {
        bool checked = SendMessageW(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
        *reinterpret_cast<std::wstring*>(line) += (checked ? L" (o) " : L" ( ) ") + WindowText(hwnd);
    }
    return TRUE;
}

void DescribeDialog(HWND dialog)
{
    std::wstring line = L"dialog: " + WindowText(dialog);
    EnumChildWindows(dialog, DescribeButton, reinterpret_cast<LPARAM>(&line));
    Host().Say(Utf8FromWide(line));
}

void CALLBACK AnswerDialog(HWND, UINT, UINT_PTR, DWORD)
{
    HostState& h = Host();
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog || h.dialogAnswers.empty())
        return;
    std::string answer = h.dialogAnswers.front();
    h.dialogAnswers.pop_front();
    if (h.dialogAnswers.empty()) {
        KillTimer(nullptr, h.dialogTimer);
        h.dialogTimer = 0;
    }
    DescribeDialog(dialog);
    if (answer.rfind("snapshot ", 0) == 0) {
        std::wstring path = WideFromUtf8(answer.substr(9));
        h.Say(SnapshotWindow(dialog, path.c_str()) ? "dialog: snapshot " + answer.substr(9)
                                                   : "dialog: cannot write " + answer.substr(9));
        return;
    }
    int control = 0;
    if (answer == "ok")
        control = IDOK;
    else if (answer == "cancel")
        control = IDCANCEL;
    else if (answer.rfind("click ", 0) == 0)
        control = std::atoi(answer.c_str() + 6);
    h.Say("dialog: " + answer);
    if (HWND button = GetDlgItem(dialog, control))
        SendMessageW(button, BM_CLICK, 0, 0);
    else
        h.Say("dialog: no control " + std::to_string(control));
}

}  // namespace

void HostState::InvalidateView()
{
    if (window)
        InvalidateRect(window, nullptr, FALSE);
}

ZHDAPI void* ZhdCreateWindow()
{
    HostState& h = Host();
    if (h.window)
        return h.window;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = ViewProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = WindowClass;
    RegisterClassW(&wc);
    h.window = CreateWindowExW(0, WindowClass, L"Zel host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 800, 600, nullptr,
                               nullptr, instance, nullptr);
    if (!h.window)
        return nullptr;
    RECT client;
    GetClientRect(h.window, &client);
    h.keyinLine =
        CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 0,
                        client.bottom - KeyinHeight, client.right, KeyinHeight, h.window, nullptr, instance, nullptr);
    EditProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(h.keyinLine, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(KeyinLineProc)));
    ZhdFocusKeyinLine();
    return h.window;
}

ZHDAPI void ZhdFocusKeyinLine()
{
    HostState& h = Host();
    if (!h.window)
        return;
    SetForegroundWindow(h.window);
    SetActiveWindow(h.window);
    SetFocus(h.keyinLine);
}

ZHDAPI void ZhdPumpMessages(std::int32_t milliseconds)
{
    DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    } while (static_cast<LONG>(end - GetTickCount()) > 0);
}

ZHDAPI void ZhdQueueDialogAnswer(const char* answer)
{
    HostState& h = Host();
    h.dialogAnswers.push_back(answer ? answer : "");
    if (!h.dialogTimer)
        h.dialogTimer = SetTimer(nullptr, 0, 50, AnswerDialog);
}

ZHDAPI std::int32_t ZhdPendingDialogAnswers() { return static_cast<std::int32_t>(Host().dialogAnswers.size()); }
