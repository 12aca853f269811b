#include "base/pch.h"

#include "hook/KeyHook.h"

#include "base/Guarded.h"

#include <algorithm>
#include <array>

UniqueHook HookHandle;

namespace {

// The root owner of the host's window that was in front when browsing began; null when the
// host was not in front, and once the pass has ended.
HWND BrowseWindow = nullptr;
ShortcutState State;
// The pass has ended while a Delete acted on was held: the hook is kept for that key alone.
bool PassEnded = false;

constexpr std::array<DWORD, 11> ModifierKeys = {VK_SHIFT, VK_LSHIFT, VK_RSHIFT, VK_CONTROL, VK_LCONTROL, VK_RCONTROL,
                                                VK_MENU,  VK_LMENU,  VK_RMENU,  VK_LWIN,    VK_RWIN};

// A modifier as the hook has seen it go down and up. The system's own key state is asked as well:
// for a modifier pressed before the hook was installed, and to let go of one whose release the
// hook never saw.
struct TrackedModifier {
    bool down = false;
    bool reportedUp = false;  // the system has reported it up at every event since `upSince`
    DWORD upSince = 0;
};
std::array<TrackedModifier, ModifierKeys.size()> Modifiers;

void TrackModifiers(KeySystem& system, DWORD key, WPARAM message, DWORD time)
{
    for (size_t i = 0; i < ModifierKeys.size(); ++i) {
        TrackedModifier& modifier = Modifiers[i];
        if (ModifierKeys[i] == key) {
            // The system's state catches up with this event only after it.
            modifier = TrackedModifier{message == WM_KEYDOWN || message == WM_SYSKEYDOWN};
        } else if (modifier.down) {
            if (system.IsKeyDown(ModifierKeys[i])) {
                modifier.reportedUp = false;
            } else if (!modifier.reportedUp) {
                modifier.reportedUp = true;
                modifier.upSince = time;
            } else if (time - modifier.upSince > ModifierGrace) {
                modifier = TrackedModifier{};
            }
        }
    }
}

bool ModifierHeld(KeySystem& system)
{
    return std::any_of(Modifiers.begin(), Modifiers.end(), [](const TrackedModifier& m) { return m.down; }) ||
           std::any_of(ModifierKeys.begin(), ModifierKeys.end(), [&](DWORD key) { return system.IsKeyDown(key); });
}

Foreground ForegroundOf(KeySystem& system, HWND foreground)
{
    if (!BrowseWindow || foreground != BrowseWindow)
        return Foreground::Elsewhere;
    if (!system.IsEnabled(BrowseWindow))
        return Foreground::BrowseWindowDisabled;
    return system.FocusHoldsText() ? Foreground::BrowseWindowTyping : Foreground::BrowseWindow;
}

Layout LayoutFor(KeySystem& system, HWND foreground, std::wstring_view letters)
{
    HKL layout = system.LayoutOf(foreground);
    if (PRIMARYLANGID(LOWORD(reinterpret_cast<UINT_PTR>(layout))) == LANG_KOREAN)
        return Layout::Korean;
    for (wchar_t letter : letters) {
        if (system.CharOf(letter, layout) != letter)
            return Layout::Other;
    }
    return Layout::Latin;
}

// Clear, the word's letters, Enter: the host's key-in line receives the word and submits it.
void TypeBrowseWord(KeySystem& system, std::wstring_view letters)
{
    system.Tap(VK_CLEAR, 0x0C, 0);
    for (wchar_t letter : letters)
        system.Tap(static_cast<BYTE>(letter), 0, SyntheticKeyMark);
    system.Tap(VK_RETURN, 0xB9, 0);
}

class SystemKeys final : public KeySystem {
public:
    HWND ForegroundWindow() override { return GetForegroundWindow(); }
    bool IsEnabled(HWND window) override { return IsWindowEnabled(window) != FALSE; }
    bool IsKeyDown(DWORD virtualKey) override { return (GetAsyncKeyState(static_cast<int>(virtualKey)) & 0x8000) != 0; }
    // The hook runs on the host's user-interface thread, whose focus is the host's own.
    bool FocusHoldsText() override
    {
        HWND focus = GetFocus();
        return focus && (SendMessageW(focus, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) != 0 &&
               GetWindowTextLengthW(focus) > 0;
    }
    HKL LayoutOf(HWND window) override { return GetKeyboardLayout(GetWindowThreadProcessId(window, nullptr)); }
    UINT CharOf(UINT virtualKey, HKL layout) override { return MapVirtualKeyExW(virtualKey, MAPVK_VK_TO_CHAR, layout); }
    void Tap(BYTE virtualKey, BYTE scanCode, ULONG_PTR extra) override
    {
        keybd_event(virtualKey, scanCode, 0, extra);
        keybd_event(virtualKey, scanCode, KEYEVENTF_KEYUP, extra);
    }
};
SystemKeys TheSystem;

// The module that holds this code: the plug-in's DLL, whose hook procedure it is.
HINSTANCE OwnModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&KeyHookProc), &module);
    return module;
}

HWND HostRootWindowInFront()
{
    HWND foreground = GetForegroundWindow();
    DWORD process = 0;
    if (!foreground || !GetWindowThreadProcessId(foreground, &process) || process != GetCurrentProcessId())
        return nullptr;
    return GetAncestor(foreground, GA_ROOTOWNER);
}

KeyDecision DecideEscape(const KeyFacts& facts)
{
    ShortcutState next = facts.state;
    bool inBrowseWindow =
        facts.foreground == Foreground::BrowseWindow || facts.foreground == Foreground::BrowseWindowTyping;
    if (facts.message == WM_KEYDOWN && inBrowseWindow) {
        next.escapeBehindWord = next.wordOutstanding && facts.time - next.wordTime <= OutstandingLimit;
        next.stoodDown = true;
    }
    return {KeyAction::PassOn, next};
}

}  // namespace

KeyDecision DecideKey(const KeyFacts& facts)
{
    if (facts.key == VK_ESCAPE)
        return DecideEscape(facts);
    const BrowseShortcut* shortcut = ShortcutFor(facts.key);
    ShortcutState next = facts.state;
    if (!shortcut)
        return {KeyAction::PassOn, next};
    bool isDelete = shortcut->word == BrowseWord::Delete;
    if (facts.message != WM_KEYDOWN && facts.message != WM_SYSKEYDOWN) {
        next.deleteDown = next.deleteDown && !isDelete;
        return {KeyAction::PassOn, next};
    }
    if (isDelete && next.deleteDown)
        return {KeyAction::Swallow, next};
    if (next.stoodDown)
        return {KeyAction::PassOn, next};
    if (next.wordOutstanding) {
        if (facts.time - next.wordTime > OutstandingLimit) {
            next.stoodDown = true;
            return {KeyAction::PassOn, next};
        }
        next.deleteDown = next.deleteDown || isDelete;
        return {KeyAction::Swallow, next};
    }
    bool acts = facts.message == WM_KEYDOWN && !facts.modifierHeld && facts.foreground == Foreground::BrowseWindow &&
                facts.layout != Layout::Other;
    if (!acts)
        return {KeyAction::PassOn, next};
    next.wordOutstanding = true;
    next.wordTime = facts.time;
    next.deleteDown = next.deleteDown || isDelete;
    return {KeyAction::Type, next};
}

void ResetShortcuts(HWND browseWindow) noexcept
{
    BrowseWindow = browseWindow;
    State = ShortcutState{};
    PassEnded = false;
    Modifiers = {};
}

bool HandleKeyEvent(KeySystem& system, WPARAM message, const KBDLLHOOKSTRUCT& event)
{
    TrackModifiers(system, event.vkCode, message, event.time);
    const BrowseShortcut* shortcut = ShortcutFor(event.vkCode);
    KeyFacts facts{message, event.vkCode, event.time, State};
    bool keyDown = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
    if (keyDown && (shortcut || event.vkCode == VK_ESCAPE)) {
        HWND foreground = system.ForegroundWindow();
        facts.foreground = ForegroundOf(system, foreground);
        if (shortcut) {
            facts.modifierHeld = ModifierHeld(system);
            facts.layout = LayoutFor(system, foreground, shortcut->latin);
        }
    }
    KeyDecision decision = DecideKey(facts);
    State = decision.next;
    if (decision.action == KeyAction::Type && shortcut)
        TypeBrowseWord(system, shortcut->latin);
    return decision.action != KeyAction::PassOn;
}

HHOOK InstallKeyHook() noexcept
{
    HookHandle.Reset();
    ResetShortcuts(HostRootWindowInFront());
    HookHandle.Reset(SetWindowsHookExA(WH_KEYBOARD_LL, KeyHookProc, OwnModule(), 0));
    return HookHandle.Get();
}

void NoteBrowseEvent() noexcept
{
    State.wordOutstanding = false;
    // An Escape pressed while a word was on its way reaches the host after that word.
    if (State.escapeBehindWord)
        State.escapeBehindWord = false;
    else
        State.stoodDown = false;
}

void EndShortcuts() noexcept
{
    if (!HookHandle.Get() || !State.deleteDown) {
        RemoveKeyHook();
        return;
    }
    BrowseWindow = nullptr;
    State = ShortcutState{true};
    PassEnded = true;
}

void RemoveKeyHook() noexcept
{
    HookHandle.Reset();
    ResetShortcuts(nullptr);
}

LRESULT CALLBACK KeyHookProc(int code, WPARAM message, LPARAM event) noexcept
{
    if (code == HC_ACTION && Guarded(false, [&] {
            return HandleKeyEvent(TheSystem, message, *reinterpret_cast<const KBDLLHOOKSTRUCT*>(event));
        }))
        return 1;
    LRESULT next = CallNextHookEx(HookHandle.Get(), code, message, event);
    // What was kept after the pass goes with the release of its Delete (removing a hook from
    // inside its own procedure is allowed).
    if (PassEnded && !State.deleteDown)
        RemoveKeyHook();
    return next;
}
