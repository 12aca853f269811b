// Everything the shortcuts remember, in one object, from one pass to the next: the state the
// decision carries, the windows the words go to, and the words still on their way when their
// passes ended. The hook (KeyHook.cpp) holds one and hands it every keyboard event; the tests hold their
// own over a stand-in of the system.
#pragma once

#include <afxwin.h>

#include "hook/KeyDecision.h"

#include <array>
#include <cstdint>
#include <string_view>

struct Shortcuts {
    // Browsing begins at the time given (the system's tick count): the words go to the window now
    // in front and the host's main window, if that window is one of the host's. What is known of
    // the keys held stays.
    void Begin(KeySystem& system, DWORD now);
    // The browse step has received an event.
    void NoteBrowseEvent(KeySystem& system);
    // The pass ends (by the plug-in's hand, or the command starts again): nothing is typed any
    // more. A word still on its way is remembered as a stray.
    void End();
    // Whether the hook is still wanted: while browsing, and while a Delete it took is held.
    bool NeedsHook() const;
    // The hook's work on one keyboard event: true when the event is swallowed.
    bool Handle(KeySystem& system, WPARAM message, const KBDLLHOOKSTRUCT& event);
    // A key-in has reached the command, at any prompt: the word typed last has arrived, or a
    // stray word of a pass that has ended, which the command must not take (true). Words arrive in
    // the order they were typed: the strays before it were lost, and are forgotten with it, and
    // a word that is no stray was typed after them all, which were lost (to a command the host
    // started, or to none). A stray can be the same word as this pass's own on its way, and the
    // stray may have been lost: the word is then taken to have arrived, so that a lost stray
    // costs one press at most, never the shortcuts of the rest of the pass. A function key held
    // back behind the word goes to the host once the word has arrived.
    bool NoteKeyin(KeySystem& system, std::wstring_view keyin);

    ShortcutState state;
    HWND front = nullptr;  // the host's window in front when browsing began; null when none
    HWND main = nullptr;   // the host's main window (its root owner)
    bool browsing = false;
    DWORD began = 0;                     // when browsing began
    std::array<BrowseWord, 4> strays{};  // the oldest first; one a pass at most
    std::uint8_t strayCount = 0;
    // A function key pressed while the word was on its way, swallowed so that the command it may
    // start does not take the word: it is pressed again once the word has arrived.
    struct HeldKey {
        BYTE key = 0, scanCode = 0;
    } heldBack;
};
