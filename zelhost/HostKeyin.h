// The host's key-in line as each kind of host has it (HostKinds.h): docked at the foot of the
// main window or in a floating window the main window owns; emptied or kept after Enter; Escape
// cancelling the command or only clearing the line; and what Enter and Escape hand on, handled
// at once or after the host's delay, in the order they came.
#pragma once

#include <windows.h>

#include <string>

namespace zelhost {

// Puts the key-in line of the main window where the host kind has it; the main window lays itself
// out again. ApplyHostKind does it anew as the kind changes.
void PlaceKeyinLine(HWND main, HWND line);
void ApplyHostKind();
// The window of the key-in line's own: the floating one, or the main window.
HWND KeyinWindowOf(HWND line);
// Enter on the key-in line holding `text`: a key-in, or a confirm when it is empty.
void SubmitKeyinLine(HWND line, const std::wstring& text);
// Escape, on the key-in line or in the main window, which has emptied the key-in line: the
// command's cancel, at once or after the host's delay, unless Escape only clears.
void PressEscape();
// Forgets what waits to be handled.
void DropWaitingKeyins();
// Delete where the key-in line has no text to edit: a host that keeps a selection set deletes
// it. True when the host took the key.
bool DeleteOfTheHost(HWND line);
// What the host makes of a click that activates its window (WM_MOUSEACTIVATE): a careful host
// eats the click that brings it to the front from another program, so that it is not also a
// pick or a point.
LRESULT ActivatingClick();

}  // namespace zelhost
