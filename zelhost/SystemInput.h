// The host program's real input: key presses and mouse clicks through the system's own input
// queue, as a person gives them, into the host window (and past any low-level hook).
#pragma once

#include <windows.h>

#include <vector>

namespace zelhost {

// A key press: the key, the modifiers held around it, and how many key-downs (auto-repeats after
// the first) come before its key-up.
struct KeyPress {
    BYTE key = 0;
    std::vector<BYTE> modifiers;
    int downs = 1;
};

// Presses the key with the host's key-in line focused, and lets the host take what follows.
void Press(const KeyPress& press);
// Moves the pointer over a drawing point as the view shows it now; false when it is not in the
// view.
bool MovePointer(double x, double y);
// A click of the button (its down and up flags) at a drawing point; false when it is not in the
// view.
bool Click(double x, double y, DWORD down, DWORD up);

}  // namespace zelhost
