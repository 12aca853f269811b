#include "../plugin/pch.h"

#include "KeyHook.h"

#include "../plugin/SorvaneApp.h"

UniqueHook HookHandle;

namespace {

// The letter that ends the key-in for a shortcut key, 0 for every other key.
BYTE BrowseLetterFor(DWORD virtualKey)
{
    switch (virtualKey) {
    case VK_DELETE:
        return 'D';
    case VK_RIGHT:
        return 'N';
    case VK_LEFT:
        return 'P';
    default:
        return 0;
    }
}

bool HostHasForeground()
{
    HWND foreground = GetForegroundWindow();
    DWORD process = 0;
    return foreground && GetWindowThreadProcessId(foreground, &process) && process == GetCurrentProcessId();
}

void Tap(BYTE virtualKey, BYTE scanCode, ULONG_PTR extra)
{
    keybd_event(virtualKey, scanCode, 0, extra);
    keybd_event(virtualKey, scanCode, KEYEVENTF_KEYUP, extra);
}

// Clear, Z, O, O, M, the letter, Enter: the host's key-in line receives the word and submits it.
void TypeBrowseKeyin(BYTE letter)
{
    Tap(VK_CLEAR, 0x0C, 0);
    Tap('Z', 0, SyntheticKeyMark);
    Tap('O', 0, SyntheticKeyMark);
    Tap('O', 0, SyntheticKeyMark);
    Tap('M', 0, SyntheticKeyMark);
    Tap(letter, 0, SyntheticKeyMark);
    Tap(VK_RETURN, 0xB9, 0);
}

}  // namespace

HHOOK InstallKeyHook()
{
    HookHandle.Reset();
    HookHandle.Reset(SetWindowsHookExA(WH_KEYBOARD_LL, KeyHookProc, theApp.m_hInstance, 0));
    return HookHandle.Get();
}

void RemoveKeyHook() { HookHandle.Reset(); }

LRESULT CALLBACK KeyHookProc(int code, WPARAM message, LPARAM event)
{
    try {
        if (code >= 0 && message == WM_KEYDOWN) {
            BYTE letter = BrowseLetterFor(reinterpret_cast<const KBDLLHOOKSTRUCT*>(event)->vkCode);
            // Keys pressed in another application's window are none of the command's business.
            if (letter && HostHasForeground()) {
                TypeBrowseKeyin(letter);
                return 1;
            }
        }
    } catch (...) {}
    return CallNextHookEx(HookHandle.Get(), code, message, event);
}
