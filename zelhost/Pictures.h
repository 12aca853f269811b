// Pictures in and out, as PNG through the platform's imaging codecs: snapshots of what the host
// shows, and the command's icon for the toolbar.
#pragma once

#include "zelhost/View.h"

#include <windows.h>

#include <string>

namespace zelhost {

// A window as it shows on the screen, caption and children included.
bool SnapshotWindow(HWND window, const std::wstring& path);
// The view painted off screen at the given size.
bool SnapshotView(const View& view, int width, int height, const std::wstring& path);
// A PNG file as a bitmap of the screen's format, its transparent parts on `background`; null
// when it cannot be read.
HBITMAP LoadPng(const std::wstring& path, COLORREF background);

}  // namespace zelhost
