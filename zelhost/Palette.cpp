#include "zelhost/Palette.h"

namespace zelhost {

namespace {

constexpr wchar_t PaletteClass[] = L"ZelHostPalette";

HWND Palette = nullptr;
HWND Field = nullptr;

LRESULT CALLBACK PaletteProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SETFOCUS:
        SetFocus(Field);
        return 0;
    case WM_DESTROY:
        Palette = Field = nullptr;
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

void OpenPalette(HWND main, HFONT font)
{
    if (!main)
        return;
    if (!Palette) {
        HINSTANCE instance = GetModuleHandleW(nullptr);
        WNDCLASSW paletteClass = {};
        paletteClass.lpfnWndProc = PaletteProc;
        paletteClass.hInstance = instance;
        paletteClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        paletteClass.lpszClassName = PaletteClass;
        RegisterClassW(&paletteClass);
        Palette = CreateWindowExW(WS_EX_TOOLWINDOW, PaletteClass, L"팔레트", WS_POPUP | WS_CAPTION | WS_SYSMENU, 560,
                                  80, 260, 80, main, nullptr, instance, nullptr);
        Field = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 8, 12, 230, 24,
                                Palette, nullptr, instance, nullptr);
        SendMessageW(Field, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    ShowWindow(Palette, SW_SHOW);
    SetForegroundWindow(Palette);
    SetActiveWindow(Palette);
    SetFocus(Field);
}

bool ClosePalette(std::wstring& text)
{
    if (!Palette)
        return false;
    int length = GetWindowTextLengthW(Field);
    text.assign(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(Field, text.data(), length + 1);
    text.resize(static_cast<size_t>(length));
    DestroyWindow(Palette);
    return true;
}

bool PaletteInFront() { return Palette && GetForegroundWindow() == Palette; }

}  // namespace zelhost
