#include "plugin/pch.h"

#include "hook/KeyHook.h"

#include "plugin/Guarded.h"
#include "plugin/SorvaneApp.h"

#include <algorithm>
#include <array>
#include <bitset>

UniqueHook HookHandle;

namespace {

// The root owner of the host's window that was in front when browsing began; null when the
// host was not in front.
HWND BrowseWindow = nullptr;
bool DeleteDown = false;

HWND HostRootWindowInFront()
{
    HWND foreground = GetForegroundWindow();
    DWORD process = 0;
    if (!foreground || !GetWindowThreadProcessId(foreground, &process) || process != GetCurrentProcessId())
        return nullptr;
    return GetAncestor(foreground, GA_ROOTOWNER);
}

constexpr std::array<DWORD, 11> ModifierKeys = {VK_SHIFT, VK_LSHIFT, VK_RSHIFT, VK_CONTROL, VK_LCONTROL, VK_RCONTROL,
                                                VK_MENU,  VK_LMENU,  VK_RMENU,  VK_LWIN,    VK_RWIN};

// The modifiers held down, as the hook has seen them go down and up. The system's asynchronous
// key state is asked as well, for a modifier pressed before the hook was installed; it alone is
// not enough, as it may lag behind the events the hook has already seen.
std::bitset<256> HeldModifiers;

void Track(DWORD key, WPARAM message)
{
    if (std::find(ModifierKeys.begin(), ModifierKeys.end(), key) != ModifierKeys.end())
        HeldModifiers.set(key & 0xFF, message == WM_KEYDOWN || message == WM_SYSKEYDOWN);
}

bool ModifierHeld()
{
    return HeldModifiers.any() || std::any_of(ModifierKeys.begin(), ModifierKeys.end(), [](DWORD key) {
               return (GetAsyncKeyState(static_cast<int>(key)) & 0x8000) != 0;
           });
}

Foreground ForegroundNow()
{
    HWND foreground = GetForegroundWindow();
    if (!BrowseWindow || !foreground || GetAncestor(foreground, GA_ROOTOWNER) != BrowseWindow)
        return Foreground::Elsewhere;
    return IsWindowEnabled(BrowseWindow) ? Foreground::BrowseWindow : Foreground::BrowseWindowDisabled;
}

Layout LayoutFor(std::wstring_view letters)
{
    HKL layout = GetKeyboardLayout(GetWindowThreadProcessId(GetForegroundWindow(), nullptr));
    if (PRIMARYLANGID(LOWORD(reinterpret_cast<UINT_PTR>(layout))) == LANG_KOREAN)
        return Layout::Korean;
    for (wchar_t letter : letters) {
        if (MapVirtualKeyExW(letter, MAPVK_VK_TO_CHAR, layout) != letter)
            return Layout::Other;
    }
    return Layout::Latin;
}

void Tap(BYTE virtualKey, BYTE scanCode, ULONG_PTR extra)
{
    keybd_event(virtualKey, scanCode, 0, extra);
    keybd_event(virtualKey, scanCode, KEYEVENTF_KEYUP, extra);
}

// Clear, the word's letters, Enter: the host's key-in line receives the word and submits it.
void TypeBrowseWord(std::wstring_view letters)
{
    Tap(VK_CLEAR, 0x0C, 0);
    for (wchar_t letter : letters)
        Tap(static_cast<BYTE>(letter), 0, SyntheticKeyMark);
    Tap(VK_RETURN, 0xB9, 0);
}

}  // namespace

KeyDecision DecideKey(const KeyFacts& facts)
{
    if (!facts.shortcut)
        return {KeyAction::PassOn, facts.deleteDown};
    bool isDelete = facts.shortcut->word == BrowseWord::Delete;
    if (facts.message != WM_KEYDOWN && facts.message != WM_SYSKEYDOWN)
        return {KeyAction::PassOn, isDelete ? false : facts.deleteDown};
    if (isDelete && facts.deleteDown)
        return {KeyAction::Swallow, true};
    bool acts = facts.message == WM_KEYDOWN && !facts.modifierHeld && facts.foreground == Foreground::BrowseWindow &&
                facts.layout != Layout::Other;
    if (!acts)
        return {KeyAction::PassOn, facts.deleteDown};
    return {KeyAction::Type, facts.deleteDown || isDelete};
}

HHOOK InstallKeyHook()
{
    HookHandle.Reset();
    BrowseWindow = HostRootWindowInFront();
    DeleteDown = false;
    HeldModifiers.reset();
    HookHandle.Reset(SetWindowsHookExA(WH_KEYBOARD_LL, KeyHookProc, theApp.m_hInstance, 0));
    return HookHandle.Get();
}

void RemoveKeyHook()
{
    HookHandle.Reset();
    BrowseWindow = nullptr;
}

LRESULT CALLBACK KeyHookProc(int code, WPARAM message, LPARAM event) noexcept
{
    bool swallowed = code == HC_ACTION && Guarded(false, [&] {
                         auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(event);
                         Track(key->vkCode, message);
                         KeyFacts facts{message, ShortcutFor(key->vkCode), DeleteDown};
                         if (facts.shortcut) {
                             facts.modifierHeld = ModifierHeld();
                             facts.foreground = ForegroundNow();
                             facts.layout = LayoutFor(facts.shortcut->latin);
                         }
                         KeyDecision decision = DecideKey(facts);
                         DeleteDown = decision.deleteDown;
                         if (decision.action == KeyAction::Type && facts.shortcut)
                             TypeBrowseWord(facts.shortcut->latin);
                         return decision.action != KeyAction::PassOn;
                     });
    return swallowed ? 1 : CallNextHookEx(HookHandle.Get(), code, message, event);
}
