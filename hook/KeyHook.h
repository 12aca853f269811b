// The arrow and Delete key shortcuts of the browse prompt: a low-level keyboard hook, installed
// only while the command browses its matches, that turns a plain press of Right, Left or Delete
// in the window browsing began in into the key-in "ZOOMN", "ZOOMP" or "ZOOMD" followed by Enter.
#pragma once

#include <afxwin.h>

#include "command/BrowseWords.h"
#include "plugin/UniqueHandle.h"

extern UniqueHook HookHandle;

// The extra information of every synthetic letter event.
constexpr ULONG_PTR SyntheticKeyMark = 0x33;

// Removes any earlier hook and installs a fresh one for the window now in front, if it is one of
// the host's; null when the hook cannot be installed.
HHOOK InstallKeyHook();
void RemoveKeyHook();
LRESULT CALLBACK KeyHookProc(int code, WPARAM message, LPARAM event) noexcept;

// Where the keyboard's input goes, seen from the window browsing began in.
enum class Foreground {
    BrowseWindow,          // that window or one it owns, and it takes input
    BrowseWindowDisabled,  // that window, but a modal box of the host is up
    Elsewhere,             // another window of the host, another program, or no window recorded
};

// What the foreground window's keyboard layout makes of a shortcut's letters.
enum class Layout {
    Latin,   // the keys give the Latin letters of the word
    Korean,  // the Korean layout: its Hangul mode gives the Korean form
    Other,   // anything else would type another word
};

// What the hook knows of one keyboard event. The last three are gathered for shortcut keys only.
struct KeyFacts {
    WPARAM message;
    const BrowseShortcut* shortcut;  // null for every other key
    bool deleteDown;                 // a Delete press acted on has not been released yet
    bool modifierHeld = false;       // Shift, Ctrl, Alt or a Windows key
    Foreground foreground = Foreground::Elsewhere;
    Layout layout = Layout::Other;
};

enum class KeyAction { PassOn, Type, Swallow };

struct KeyDecision {
    KeyAction action;
    bool deleteDown;  // the state for the next event
};

// Types the shortcut's word on a plain key-down in the browse window under a layout that gives
// it; swallows the auto-repeats of a Delete press already acted on; passes every other event on.
KeyDecision DecideKey(const KeyFacts& facts);
