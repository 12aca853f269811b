// Pictures of what the host shows, written as PNG through the platform's imaging codecs.
#pragma once

#include "View.h"

#include <windows.h>

#include <string>

namespace zelhost {

// A window as the (virtual) screen shows it, caption included.
bool SnapshotWindow(HWND window, const std::wstring& path);
// The view painted off screen at the given size.
bool SnapshotView(const View& view, int width, int height, const std::wstring& path);

}  // namespace zelhost
