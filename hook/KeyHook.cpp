#include "base/pch.h"

#include "hook/KeyHook.h"

#include "base/Guarded.h"
#include "hook/Shortcuts.h"

UniqueHook HookHandle;

namespace {

class SystemKeys final : public KeySystem {
public:
    HWND ForegroundWindow() override { return GetForegroundWindow(); }
    HWND HostMainWindowOf(HWND window) override
    {
        DWORD process = 0;
        if (!GetWindowThreadProcessId(window, &process) || process != GetCurrentProcessId())
            return nullptr;
        return GetAncestor(window, GA_ROOTOWNER);
    }
    bool IsEnabled(HWND window) override { return IsWindowEnabled(window) != FALSE; }
    bool IsKeyDown(DWORD virtualKey) override { return (GetAsyncKeyState(static_cast<int>(virtualKey)) & 0x8000) != 0; }
    // The hook runs on the host's user-interface thread, whose focus is the host's own.
    Field FocusedField() override
    {
        HWND focus = GetFocus();
        if (!focus || !(SendMessageW(focus, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL))
            return Field::None;
        int length = GetWindowTextLengthW(focus);
        if (length <= 0)
            return Field::None;
        DWORD start = 0, end = 0;
        SendMessageW(focus, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        return start == 0 && end == static_cast<DWORD>(length) ? Field::Selected : Field::Text;
    }
    bool KeysPending() override { return (HIWORD(GetQueueStatus(QS_KEY)) & QS_KEY) != 0; }
    HKL LayoutOf(HWND window) override { return GetKeyboardLayout(GetWindowThreadProcessId(window, nullptr)); }
    UINT CharOf(UINT virtualKey, HKL layout) override { return MapVirtualKeyExW(virtualKey, MAPVK_VK_TO_CHAR, layout); }
    void Tap(BYTE virtualKey, BYTE scanCode, ULONG_PTR extra) override
    {
        keybd_event(virtualKey, scanCode, 0, extra);
        keybd_event(virtualKey, scanCode, KEYEVENTF_KEYUP, extra);
    }
};
SystemKeys TheSystem;
Shortcuts TheShortcuts;

// The module that holds this code: the plug-in's DLL, whose hook procedure it is.
HINSTANCE OwnModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&KeyHookProc), &module);
    return module;
}

}  // namespace

HHOOK InstallKeyHook() noexcept
{
    HookHandle.Reset();
    TheShortcuts.Begin(TheSystem, GetTickCount());
    HookHandle.Reset(SetWindowsHookExA(WH_KEYBOARD_LL, KeyHookProc, OwnModule(), 0));
    return HookHandle.Get();
}

void NoteBrowseEvent() noexcept { TheShortcuts.NoteBrowseEvent(TheSystem); }

void EndShortcuts() noexcept
{
    TheShortcuts.End();
    if (!TheShortcuts.NeedsHook())
        HookHandle.Reset();
}

void RemoveKeyHook() noexcept
{
    TheShortcuts.End();
    HookHandle.Reset();
}

bool NoteKeyin(std::wstring_view keyin) noexcept { return TheShortcuts.NoteKeyin(TheSystem, keyin); }

bool FunctionKeyHeldBack() noexcept { return TheShortcuts.heldBack.key != 0; }

LRESULT CALLBACK KeyHookProc(int code, WPARAM message, LPARAM event) noexcept
{
    if (code == HC_ACTION && Guarded(false, [&] {
            return TheShortcuts.Handle(TheSystem, message, *reinterpret_cast<const KBDLLHOOKSTRUCT*>(event));
        }))
        return 1;
    LRESULT next = CallNextHookEx(HookHandle.Get(), code, message, event);
    // What was kept after the pass goes with the release of its Delete (removing a hook from
    // inside its own procedure is allowed).
    if (!TheShortcuts.NeedsHook())
        HookHandle.Reset();
    return next;
}
