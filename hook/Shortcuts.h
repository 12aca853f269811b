// Everything the shortcuts remember, in one object, from one pass to the next: the state the
// decision carries, the windows the words go to, and a word still on its way when its pass
// ended. The hook (KeyHook.cpp) holds one and hands it every keyboard event; the tests hold their
// own over a stand-in of the system.
#pragma once

#include <afxwin.h>

#include "hook/KeyDecision.h"

#include <string_view>

struct Shortcuts {
    // Browsing begins: the words go to the window now in front and the host's main window, if
    // that window is one of the host's. What is known of the keys held stays.
    void Begin(KeySystem& system);
    // The browse step has received an event (a typed word among them).
    void NoteBrowseEvent();
    // The pass ends (by the plug-in's hand, or the command starts again): nothing is typed any
    // more. A word still on its way is remembered as a stray.
    void End();
    // Whether the hook is still wanted: while browsing, and while a Delete it took is held.
    bool NeedsHook() const;
    // The hook's work on one keyboard event: true when the event is swallowed.
    bool Handle(KeySystem& system, WPARAM message, const KBDLLHOOKSTRUCT& event);
    // Whether a key-in is the stray word of a pass that has ended, which the command must not
    // take; it is forgotten once taken.
    bool TakeStrayWord(std::wstring_view keyin);

    ShortcutState state;
    HWND front = nullptr;  // the host's window in front when browsing began; null when none
    HWND main = nullptr;   // the host's main window (its root owner)
    bool browsing = false;
    BrowseWord stray = BrowseWord::None;
};
