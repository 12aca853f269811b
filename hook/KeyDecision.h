// What the shortcuts make of one keyboard event, decided by a pure function: what the hook knows
// of the event and of the events before it goes in; what to do with the event and what to
// remember comes out. What the hook asks of the system, and its typing, go through KeySystem:
// the system itself in the plug-in, a stand-in in the tests.
//
// The rules hold whatever the host chooses to do with its windows and key-ins:
// - a word is typed only into the windows where the command's key-ins are known to arrive (the
//   host's window in front when browsing began, and the host's main window), on a plain press,
//   under a layout that types it, and never over a text the user is typing: whether the user is
//   typing is judged from the focused field, and from the keys the hook saw since the browse
//   step's last event where the field may not show them yet (or shows its text all selected);
// - a word is typed only once the last one has reached the browse step; a press while a word is
//   on its way is swallowed, and a word overdue means that the host has ended the pass (or is
//   slow): the shortcuts stand down until the browse step's next event. Escape (unless it follows
//   typing, which it clears) and the function keys, with which a host cancels or starts its own
//   commands, stand them down the same way, behind a word on its way however late it comes;
// - Delete never reaches the browse window on its own: there it types the delete word, edits a
//   text the host has shown, or is swallowed, stood down or not. Every Delete press is remembered
//   until its release, acted on or not, so that its auto-repeats never type a word;
// - the modifiers and Delete are tracked from the hook's own events and recovered from the
//   system's key state: a release the hook never saw, or a press before it was installed.
#pragma once

#include <afxwin.h>

#include "hook/BrowseWords.h"

#include <array>

// The extra information of every synthetic letter event.
constexpr ULONG_PTR SyntheticKeyMark = 0x33;
// The scan codes of the Clear and Enter taps around a typed word.
constexpr BYTE ClearScanCode = 0x0C;
constexpr BYTE EnterScanCode = 0xB9;

// Both limits are reckoned with the events' own time stamps (milliseconds, wrapping).
//
// How long a typed word may take to reach the browse step. A host takes it within a few
// milliseconds when idle and within a few hundred when busy framing a large drawing; after a pass
// that the host ended, this is also how long shortcut presses are still swallowed before the
// shortcuts stand down.
constexpr DWORD OutstandingLimit = 500;

// F1 to F24, with which a host may start a command of its own.
constexpr bool IsFunctionKey(DWORD key) { return key >= VK_F1 && key <= VK_F24; }

// How long after the hook saw a tracked key go up the system may still report it down. Inside a
// low-level hook the system's key state lags behind the events the hook has already seen (by
// some 50 ms under Wine), so it alone cannot be trusted at once.
constexpr DWORD KeyStateGrace = 250;
// How long a held key waits before it repeats, at most (a keyboard's delay is a second at most).
// A tracked key that the system reports up is taken to be released, its release lost, once no
// key-down of it has come for longer: the system knows nothing of a key-down the hook swallowed,
// and may forget one it passed on when the focus moves.
constexpr DWORD AutoRepeatLimit = 1000;

// The focused window, as far as typing goes.
enum class Field {
    None,      // no text field, or an empty one
    Selected,  // a field whose whole text is selected: the next key typed replaces it
    Text,      // a field holding text with the caret in it
};

// What the hook asks of the system, and its typing.
class KeySystem {
public:
    virtual HWND ForegroundWindow() = 0;
    // The host's main window (the root owner) of one of the host's own windows; null for a
    // window of another program.
    virtual HWND HostMainWindowOf(HWND window) = 0;
    virtual bool IsEnabled(HWND window) = 0;
    // The system's own state of the key: down or up.
    virtual bool IsKeyDown(DWORD virtualKey) = 0;
    // The window with the keyboard focus (on the host's user-interface thread, the hook's own).
    virtual Field FocusedField() = 0;
    // The host's user-interface thread has key events it has not taken yet: the focused field may
    // not show them.
    virtual bool KeysPending() = 0;
    // The keyboard layout of the thread that owns the window.
    virtual HKL LayoutOf(HWND window) = 0;
    // The character that the layout gives for the virtual key, unshifted.
    virtual UINT CharOf(UINT virtualKey, HKL layout) = 0;
    // A press and release of the key.
    virtual void Tap(BYTE virtualKey, BYTE scanCode, ULONG_PTR extra) = 0;

protected:
    ~KeySystem() = default;
};

// Where the keyboard's input goes.
enum class Foreground {
    Browse,          // a window where the command's key-ins arrive, and it takes input
    BrowseDisabled,  // such a window, but a modal box of the host is up
    Elsewhere,       // another window of the host (a palette, a box), another program, or none
};

// What the foreground window's keyboard layout makes of a shortcut's letters.
enum class Layout {
    Latin,   // the keys give the Latin letters of the word
    Korean,  // the Korean layout: its Hangul mode gives the Korean form
    Other,   // anything else would type another word
};

// The keys whose state the hook keeps: the modifiers, left and right apart as a low-level hook
// sees them, then Delete.
constexpr std::array<DWORD, 9> TrackedKeys = {VK_LSHIFT, VK_RSHIFT, VK_LCONTROL, VK_RCONTROL, VK_LMENU,
                                              VK_RMENU,  VK_LWIN,   VK_RWIN,     VK_DELETE};
constexpr size_t DeleteIndex = TrackedKeys.size() - 1;

struct TrackedKey {
    bool down = false;
    bool seen = false;  // the hook has seen it go down or up, or has taken the system's word for it
    DWORD since = 0;    // the time of that: its last key-down while down, its release while up
};

// What the hook carries from one event to the next.
struct ShortcutState {
    std::array<TrackedKey, TrackedKeys.size()> keys{};
    bool deleteTaken = false;            // the Delete held was typed or swallowed, not passed on
    bool typing = false;                 // a key that types text went to the browse window since the last event
    bool wordOutstanding = false;        // a typed word has not reached the browse step yet
    BrowseWord word = BrowseWord::None;  // the word typed last
    DWORD wordTime = 0;                  // the time of the press that typed it
    bool stoodDown = false;              // every key passes on until the browse step's next event
    bool standDownBehindWord = false;    // the stand-down follows a word on its way, which arrives first
};

// What the hook knows of one keyboard event. The foreground is gathered for every key-down; the
// field and the keys pending for shortcut keys and Escape in the browse window; the layout and
// the system's key state for shortcut keys.
struct KeyFacts {
    WPARAM message;
    DWORD key;
    DWORD time;
    ULONG_PTR extra;
    ShortcutState state;
    Foreground foreground = Foreground::Elsewhere;
    Field field = Field::None;
    bool keysPending = false;
    Layout layout = Layout::Other;
    unsigned systemDown = 0;  // bit i: the system reports TrackedKeys[i] down
    // Pressed before browsing began (while the command searched) and read only now: typed ahead,
    // before the matches were shown.
    bool pressedBeforeBrowsing = false;
};

enum class KeyAction { PassOn, Type, Swallow };

struct KeyDecision {
    KeyAction action;
    ShortcutState next;
};

[[nodiscard]] KeyDecision DecideKey(const KeyFacts& facts);
// The browse step has received an event: the shortcuts wake, unless they stood down behind a word
// on its way; what was typed has gone to the host, unless it still has keys pending (typed after
// what it hands on now).
[[nodiscard]] ShortcutState AfterBrowseEvent(ShortcutState state, bool keysPending);
// The word typed last has reached the browse step.
[[nodiscard]] ShortcutState AfterWordArrived(ShortcutState state);
