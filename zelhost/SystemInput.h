// The host program's real input: key presses and mouse clicks through the system's own input
// queue, as a person gives them, into the host window (and past any low-level hook).
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace zelhost {

// A key press: the key, the modifiers held around it, and how many key-downs (auto-repeats after
// the first) come before its key-up.
struct KeyPress {
    BYTE key = 0;
    std::vector<BYTE> modifiers;
    int downs = 1;
};

// The keys a script names, as `zelhost --help` lists them.
extern const char KeyNames[];
// The key a script names; 0 for none.
BYTE KeyNamed(const std::string& name);
// "[ctrl+][shift+][alt+]KEY [xN]" (xN: 1 to 100); none when the words are not such a press.
std::optional<KeyPress> ParsePress(const std::vector<std::string>& words);

// Presses the key with the host's key-in line focused (or its palette, while that is in front),
// and lets the host take what follows.
void Press(const KeyPress& press);
// Taps each key in turn before the host takes any of them, then lets it take them.
void TapKeys(const std::vector<BYTE>& keys);
// The press's modifiers and key go down and stay down.
void Hold(const KeyPress& press);
// The key held comes up after `repeats` more key-downs, a keyboard's auto-repeat apart; then its
// modifiers.
void Release(const KeyPress& press, int repeats);
// Moves the pointer over a drawing point as the view shows it now; false when it is not in the
// view.
bool MovePointer(double x, double y);
// A click of the button (its down and up flags) at a drawing point; false when it is not in the
// view.
bool Click(double x, double y, DWORD down, DWORD up);

}  // namespace zelhost
