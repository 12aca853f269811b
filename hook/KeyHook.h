// The arrow and Delete key shortcuts of the browse prompt: a low-level keyboard hook, installed
// while the command browses its matches, that turns a plain press of Right, Left or Delete in
// the window browsing began in into the key-in "ZOOMN", "ZOOMP" or "ZOOMD" followed by Enter.
//
// The host does not tell the plug-in when it ends a pass itself (the user cancels, or another
// command starts), so the shortcuts never rely on being told:
// - a shortcut types its word only when the browse step has had an event since the last word
//   was typed; a press while a word is on its way is swallowed, so that it can neither type a
//   second word into the box that the first one's edit opens nor reach that box itself;
// - a word still on its way after OutstandingLimit means that the host has ended the pass (or
//   takes no key-ins): from then on every key passes on untouched until the browse step has an
//   event again. Escape in the browse window stands the shortcuts down the same way;
// - words go to the window browsing began in alone, never to a window it owns (a palette), and
//   never over a text the user is typing there: then the keys edit that text, as the user meant,
//   instead of clearing it (and Delete deleting every match).
// A Delete acted on swallows its own auto-repeats until it is released, the pass ended or not:
// what is left of the hook after the pass does only that, types nothing, and goes at the release.
#pragma once

#include <afxwin.h>

#include "base/UniqueHandle.h"
#include "hook/BrowseWords.h"

#include <string_view>

extern UniqueHook HookHandle;

// The extra information of every synthetic letter event.
constexpr ULONG_PTR SyntheticKeyMark = 0x33;

// Both limits are reckoned with the events' own time stamps (milliseconds, wrapping).
//
// How long a typed word may take to reach the browse step. A host takes it within a few
// milliseconds when idle and within a few hundred when busy framing a large drawing; after a pass
// that the host ended, this is also how long shortcut presses are still swallowed before every
// key passes on.
constexpr DWORD OutstandingLimit = 500;
// How long the system may report a modifier up that the hook saw go down (its release never
// reached the hook: the secure desktop, or a hook the system timed out) before the hook lets it
// go. Inside a low-level hook the system's key state lags behind the events the hook has already
// seen (by some 50 ms under Wine), so it alone cannot be trusted at once.
constexpr DWORD ModifierGrace = 250;

// Browsing begins: any earlier hook goes, and a fresh one is installed for the window now in
// front, if it is one of the host's; null when the hook cannot be installed.
HHOOK InstallKeyHook() noexcept;
// The browse step has received an event (a typed word among them).
void NoteBrowseEvent() noexcept;
// The pass ends by the plug-in's own hand, or the command starts again: the hook goes now, or,
// while a Delete acted on is still held, at its release.
void EndShortcuts() noexcept;
// The hook goes at once (the plug-in is unloaded).
void RemoveKeyHook() noexcept;
// A thin adapter over HandleKeyEvent with the system's own facts and typing.
LRESULT CALLBACK KeyHookProc(int code, WPARAM message, LPARAM event) noexcept;

// What the hook asks of the system, and its typing: the system itself in the plug-in, a recording
// stand-in in the tests.
class KeySystem {
public:
    virtual HWND ForegroundWindow() = 0;
    virtual bool IsEnabled(HWND window) = 0;
    // The system's own state of the key: down or up.
    virtual bool IsKeyDown(DWORD virtualKey) = 0;
    // The window with the keyboard focus is a text field (it takes a selection) that holds text.
    virtual bool FocusHoldsText() = 0;
    // The keyboard layout of the thread that owns the window.
    virtual HKL LayoutOf(HWND window) = 0;
    // The character that the layout gives for the virtual key, unshifted.
    virtual UINT CharOf(UINT virtualKey, HKL layout) = 0;
    // A press and release of the key.
    virtual void Tap(BYTE virtualKey, BYTE scanCode, ULONG_PTR extra) = 0;

protected:
    ~KeySystem() = default;
};

// The hook's state as browsing begins in `browseWindow` (null: in none of the host's windows):
// nothing typed, held or stood down.
void ResetShortcuts(HWND browseWindow) noexcept;
// The hook's work on one keyboard event: true when the event is swallowed.
bool HandleKeyEvent(KeySystem& system, WPARAM message, const KBDLLHOOKSTRUCT& event);

// Where the keyboard's input goes, seen from the window browsing began in.
enum class Foreground {
    BrowseWindow,          // that window itself, and it takes input
    BrowseWindowTyping,    // that window, but the user is typing there: the focused field holds text
    BrowseWindowDisabled,  // that window, but a modal box of the host is up
    Elsewhere,             // a window it owns, another program, or no window recorded
};

// What the foreground window's keyboard layout makes of a shortcut's letters.
enum class Layout {
    Latin,   // the keys give the Latin letters of the word
    Korean,  // the Korean layout: its Hangul mode gives the Korean form
    Other,   // anything else would type another word
};

// What the hook carries from one event to the next.
struct ShortcutState {
    bool deleteDown = false;        // a Delete press taken (typed or swallowed) is not released yet
    bool wordOutstanding = false;   // a typed word has not reached the browse step yet
    DWORD wordTime = 0;             // the time of the press that typed it
    bool stoodDown = false;         // every key passes on until the browse step's next event
    bool escapeBehindWord = false;  // that Escape follows a word on its way, which arrives first
};

// What the hook knows of one keyboard event. The last three are gathered for key-downs of
// shortcut keys (the foreground also of Escape).
struct KeyFacts {
    WPARAM message;
    DWORD key;
    DWORD time;
    ShortcutState state;
    bool modifierHeld = false;  // Shift, Ctrl, Alt or a Windows key
    Foreground foreground = Foreground::Elsewhere;
    Layout layout = Layout::Other;
};

enum class KeyAction { PassOn, Type, Swallow };

struct KeyDecision {
    KeyAction action;
    ShortcutState next;
};

// Swallows the auto-repeats of a Delete press taken; passes everything on once stood down;
// swallows shortcut presses while a word is on its way (standing down when it is overdue); types
// the shortcut's word on a plain key-down in the browse window under a layout that gives it.
[[nodiscard]] KeyDecision DecideKey(const KeyFacts& facts);
