#include "base/pch.h"

#include "hook/Shortcuts.h"

#include <algorithm>

namespace {

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

unsigned SystemKeyState(KeySystem& system)
{
    unsigned down = 0;
    for (size_t i = 0; i < TrackedKeys.size(); ++i)
        down |= system.IsKeyDown(TrackedKeys[i]) ? 1u << i : 0u;
    return down;
}

// Clear, the word's letters, Enter: the host's key-in line receives the word and submits it.
void TypeBrowseWord(KeySystem& system, std::wstring_view letters)
{
    system.Tap(VK_CLEAR, ClearScanCode, 0);
    for (wchar_t letter : letters)
        system.Tap(static_cast<BYTE>(letter), 0, SyntheticKeyMark);
    system.Tap(VK_RETURN, EnterScanCode, 0);
}

// The word as it arrives: its letters in either case (Caps Lock), or its Korean form.
bool IsTypedForm(std::wstring_view keyin, const BrowseShortcut& shortcut)
{
    auto same = [](std::wstring_view a, std::wstring_view b) {
        return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
               CSTR_EQUAL;
    };
    return same(keyin, shortcut.latin) || keyin == shortcut.korean;
}

}  // namespace

void Shortcuts::Begin(KeySystem& system, DWORD now)
{
    began = now;
    HWND inFront = system.ForegroundWindow();
    main = inFront ? system.HostMainWindowOf(inFront) : nullptr;
    front = main ? inFront : nullptr;
    ShortcutState fresh;
    fresh.keys = state.keys;
    fresh.deleteTaken = state.deleteTaken;
    state = fresh;
    browsing = true;
}

void Shortcuts::NoteBrowseEvent(KeySystem& system) { state = AfterBrowseEvent(state, system.KeysPending()); }

void Shortcuts::End()
{
    if (browsing && state.wordOutstanding) {
        if (strayCount == strays.size())
            std::copy(strays.begin() + 1, strays.end(), strays.begin()), --strayCount;
        strays[strayCount++] = state.word;
    }
    front = main = nullptr;
    browsing = false;
    heldBack = {};
}

bool Shortcuts::NeedsHook() const { return browsing || (state.keys[DeleteIndex].down && state.deleteTaken); }

bool Shortcuts::Handle(KeySystem& system, WPARAM message, const KBDLLHOOKSTRUCT& event)
{
    const BrowseShortcut* shortcut = ShortcutFor(event.vkCode);
    KeyFacts facts{message, event.vkCode, event.time, event.dwExtraInfo, state};
    facts.pressedBeforeBrowsing = browsing && static_cast<LONG>(event.time - began) < 0;
    bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
    if (down) {
        HWND foreground = system.ForegroundWindow();
        if (front && foreground && (foreground == front || foreground == main))
            facts.foreground = system.IsEnabled(main) && system.IsEnabled(foreground) ? Foreground::Browse
                                                                                      : Foreground::BrowseDisabled;
        bool inBrowse = facts.foreground != Foreground::Elsewhere;
        if (inBrowse && (shortcut || event.vkCode == VK_ESCAPE)) {
            facts.field = system.FocusedField();
            facts.keysPending = system.KeysPending();
        }
        if (shortcut) {
            facts.systemDown = SystemKeyState(system);
            if (inBrowse)
                facts.layout = LayoutFor(system, foreground, shortcut->latin);
        }
    }
    KeyDecision decision = DecideKey(facts);
    state = decision.next;
    if (decision.action == KeyAction::Type && shortcut)
        TypeBrowseWord(system, shortcut->latin);
    // A function key swallowed waits behind the word on its way; one passed on (the word is
    // overdue) takes the place of any held back.
    if (down && IsFunctionKey(event.vkCode))
        heldBack = decision.action == KeyAction::Swallow
                       ? HeldKey{static_cast<BYTE>(event.vkCode), static_cast<BYTE>(event.scanCode)}
                       : HeldKey{};
    return decision.action != KeyAction::PassOn;
}

bool Shortcuts::NoteKeyin(KeySystem& system, std::wstring_view keyin)
{
    const BrowseShortcut* typed = nullptr;
    for (const BrowseShortcut& shortcut : BrowseShortcuts)
        if (IsTypedForm(keyin, shortcut))
            typed = &shortcut;
    if (!typed)
        return false;
    // The words on their way since before this pass arrive before this pass's own.
    auto stray = std::find(strays.begin(), strays.begin() + strayCount, typed->word);
    bool isStray = stray != strays.begin() + strayCount;
    if (isStray)
        std::copy(stray + 1, strays.begin() + strayCount, strays.begin());
    strayCount = isStray ? static_cast<std::uint8_t>(strayCount - (stray - strays.begin()) - 1) : 0;
    if (browsing && state.wordOutstanding && typed->word == state.word) {
        state = AfterWordArrived(state);
        if (heldBack.key)
            system.Tap(heldBack.key, heldBack.scanCode, SyntheticKeyMark);
        heldBack = {};
    }
    return isStray;
}
