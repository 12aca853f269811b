// A modeless palette that the host's main window owns, with a text field of its own, as hosts
// have them beside their commands: F4 (or the script line `palette open`) brings it up.
#pragma once

#include <windows.h>

#include <string>

namespace zelhost {

// Brings the palette up in front of the main window, its field focused, making it if there is none.
void OpenPalette(HWND main, HFONT font);
// Closes it; the text its field held, or none when no palette was open.
bool ClosePalette(std::wstring& text);
bool PaletteInFront();

}  // namespace zelhost
