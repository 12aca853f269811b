// The host window: the drawing view and, below it, the key-in line. Enter on the key-in line
// sends its text as a key-in event; the Clear key empties it.
#pragma once

namespace zelhost {

// The host window has been created and not yet closed.
bool WindowOpen();
void ClearKeyinLine();

}  // namespace zelhost
