// The host's key-in line as each kind of host has it (HostKinds.h): docked at the foot of the
// main window or in a floating window the main window owns; emptied or kept after Enter; Escape
// cancelling the command or only clearing the line; and what Enter and Escape hand on, handled
// at once or after the host's delay, in the order they came.
#pragma once

#include <windows.h>

#include <string>

namespace zelhost {

// Puts the key-in line where the host kind has it; the main window lays itself out again.
void PlaceKeyinLine(HWND main, HWND line);
// The window of the key-in line's own: the floating one, or the main window.
HWND KeyinWindowOf(HWND line);
// Enter on the key-in line holding `text`: a key-in, or a confirm when it is empty.
void SubmitKeyinLine(HWND line, const std::wstring& text);
// Escape on the key-in line, or in the main window.
void PressEscape(HWND line);
// Forgets what waits to be handled.
void DropWaitingKeyins();

}  // namespace zelhost
