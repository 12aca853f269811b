#include "base/pch.h"

#include "hook/KeyDecision.h"

#include <algorithm>

namespace {

bool IsKeyDown(WPARAM message) { return message == WM_KEYDOWN || message == WM_SYSKEYDOWN; }

// A key that types a character or erases one: a letter, digit, blank, punctuation, the numeric
// pad, Backspace, a character sent as a packet or composed by an input method.
bool TypesText(DWORD key)
{
    return key == VK_BACK || key == VK_SPACE || (key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z') ||
           (key >= VK_NUMPAD0 && key <= VK_DIVIDE) || (key >= VK_OEM_1 && key <= VK_OEM_3) ||
           (key >= VK_OEM_4 && key <= VK_OEM_8) || key == VK_OEM_102 || key == VK_PROCESSKEY || key == VK_PACKET;
}

// A key with which a host cancels its command or starts another.
bool IsCommandKey(DWORD key) { return key == VK_ESCAPE || IsFunctionKey(key); }

// The word typed last has not reached the command yet, and is not overdue.
bool WordOnItsWay(const ShortcutState& state, DWORD time)
{
    return state.wordOutstanding && time - state.wordTime <= OutstandingLimit;
}

// The system's word on the tracked keys, where it has disagreed with the hook for longer than it
// can be behind: a press that came before the hook, or a release that never reached it (a key
// held down repeats, and the system may know nothing of a key-down the hook swallowed).
void Recover(ShortcutState& state, unsigned systemDown, DWORD time)
{
    for (size_t i = 0; i < TrackedKeys.size(); ++i) {
        TrackedKey& key = state.keys[i];
        bool reported = (systemDown >> i & 1) != 0;
        bool settled = !key.seen || time - key.since > (key.down ? AutoRepeatLimit : KeyStateGrace);
        if (reported == key.down || !settled)
            continue;
        key = TrackedKey{reported, true, time};
        if (i == DeleteIndex)
            state.deleteTaken = false;  // a press the hook did not see was not taken
    }
}

void Track(ShortcutState& state, DWORD key, bool down, DWORD time)
{
    // A modifier sent without its side is taken as the left one.
    key = key == VK_SHIFT ? VK_LSHIFT : key == VK_CONTROL ? VK_LCONTROL : key == VK_MENU ? VK_LMENU : key;
    for (size_t i = 0; i < TrackedKeys.size(); ++i)
        if (TrackedKeys[i] == key)
            state.keys[i] = TrackedKey{down, true, time};
}

bool ModifierHeld(const ShortcutState& state)
{
    return std::any_of(state.keys.begin(), state.keys.begin() + DeleteIndex,
                       [](const TrackedKey& k) { return k.down; });
}

void StandDown(ShortcutState& state)
{
    state.stoodDown = true;
    state.standDownBehindWord = state.wordOutstanding;
}

// Whether the user is typing in the focused field: it holds text with the caret in it, or the user
// typed since the browse step's last event and the field shows that text all selected or may not
// show it yet.
bool Editing(const ShortcutState& state, const KeyFacts& facts)
{
    return facts.field == Field::Text || (state.typing && (facts.field == Field::Selected || facts.keysPending));
}

// Whether a Delete passed on edits the text being typed: only where the field shows text and is
// sure to still show it when the Delete arrives (the host has taken every key before it).
bool DeleteEditsText(const ShortcutState& state, const KeyFacts& facts)
{
    return Editing(state, facts) && facts.field != Field::None && !facts.keysPending;
}

// A key-down of a key that is no shortcut, in the browse window: typing, or a command of the host.
void NoteOtherKey(ShortcutState& state, const KeyFacts& facts)
{
    if (TypesText(facts.key) && facts.extra != SyntheticKeyMark) {
        state.typing = true;
    } else if (facts.key == VK_ESCAPE && (state.typing || facts.field == Field::Text)) {
        // Escape after typing clears what was typed (once the host has taken it, the field shows
        // whether it did), and the typing with it: the next Escape leaves the command. While keys
        // are still on their way the field cannot tell, and the typing stands.
        state.typing = state.typing && facts.keysPending;
    } else if (IsCommandKey(facts.key)) {
        StandDown(state);
    }
}

// A fresh press of a shortcut key in the browse window.
KeyAction DecidePress(ShortcutState& state, const KeyFacts& facts, bool isDelete)
{
    bool editing = Editing(state, facts);
    // The key is the user's own; a Delete that would not edit a text is swallowed, so that it
    // never reaches the host on its own.
    KeyAction refused = isDelete && !DeleteEditsText(state, facts) ? KeyAction::Swallow : KeyAction::PassOn;
    if (WordOnItsWay(state, facts.time))
        return KeyAction::Swallow;
    if (state.wordOutstanding)
        state.stoodDown = true;  // the word comes late, if at all: its arrival wakes the shortcuts
    if (state.stoodDown || editing || ModifierHeld(state) || facts.message != WM_KEYDOWN ||
        facts.foreground != Foreground::Browse || facts.layout == Layout::Other || facts.pressedBeforeBrowsing)
        return refused;
    state.wordOutstanding = true;
    state.wordTime = facts.time;
    return KeyAction::Type;
}

}  // namespace

KeyDecision DecideKey(const KeyFacts& facts)
{
    ShortcutState next = facts.state;
    bool down = IsKeyDown(facts.message);
    const BrowseShortcut* shortcut = ShortcutFor(facts.key);
    if (shortcut && down)
        Recover(next, facts.systemDown, facts.time);
    bool deleteWasDown = next.keys[DeleteIndex].down;
    Track(next, facts.key, down, facts.time);
    bool inBrowse = facts.foreground != Foreground::Elsewhere;
    if (!down)
        return {KeyAction::PassOn, next};
    if (!shortcut) {
        // A function key may start a command of the host's own, and a host may hand a key-in on
        // after the keys that follow it: that command would take the word on its way as its
        // input. The key waits: swallowed now, it is pressed again once the word has arrived.
        if (inBrowse && IsFunctionKey(facts.key) && WordOnItsWay(next, facts.time))
            return {KeyAction::Swallow, next};
        if (inBrowse)
            NoteOtherKey(next, facts);
        return {KeyAction::PassOn, next};
    }
    bool isDelete = shortcut->word == BrowseWord::Delete;
    if (isDelete && deleteWasDown) {
        // An auto-repeat: never a word, and never the host's own Delete in the browse window.
        bool swallow = next.deleteTaken || (inBrowse && !DeleteEditsText(next, facts));
        return {swallow ? KeyAction::Swallow : KeyAction::PassOn, next};
    }
    KeyAction action = inBrowse ? DecidePress(next, facts, isDelete) : KeyAction::PassOn;
    if (action == KeyAction::Type)
        next.word = shortcut->word;
    if (isDelete)
        next.deleteTaken = action != KeyAction::PassOn;
    return {action, next};
}

ShortcutState AfterBrowseEvent(ShortcutState state, bool keysPending)
{
    state.typing = state.typing && keysPending;
    // A stand-down behind a word on its way outlasts that word's arrival.
    if (!state.standDownBehindWord)
        state.stoodDown = false;
    return state;
}

ShortcutState AfterWordArrived(ShortcutState state)
{
    state.wordOutstanding = false;
    state.standDownBehindWord = false;
    return state;
}
