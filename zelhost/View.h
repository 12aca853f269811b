// What the host shows of the drawing: the view framed on the last zoom (the whole drawing before
// any), the segments set blinking, and the prompt, cursor, info and error lines. The host window
// (HostWindow.cpp) and the snapshots paint it.
#pragma once

#include "../host/ZelLib.h"
#include "Drawing.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace zelhost {

// A segment as ZelIdSetBlinkSegmentId names it.
struct BlinkEntry {
    std::int32_t qualifier;
    std::int32_t segmentId;
};

struct StatusLines {
    std::wstring prompt;
    std::wstring cursor;
    std::wstring info;
    std::wstring error;
};

class View {
public:
    explicit View(const Drawing& drawing) : drawing_(drawing) {}
    void Reset();

    void Zoom(const BoundingBox& box);
    // The segments set blinking; they blink until the set is cleared or the pass ends.
    void AddBlink(BlinkEntry entry) { blinking_.push_back(entry); }
    const std::vector<BlinkEntry>& Blinking() const { return blinking_; }
    void ClearBlink();
    // What a host does when a pass ends: the prompt, cursor and info lines go, and nothing blinks.
    void EndPass();
    StatusLines& Lines() { return lines_; }
    const StatusLines& Lines() const { return lines_; }

    // The window to repaint when anything shown changes.
    void SetWindow(HWND window) { window_ = window; }
    void Changed() const;

    void Paint(HDC dc, const RECT& area) const;

private:
    BoundingBox ShownBox() const;
    bool Blinking(std::int32_t segmentId) const;

    const Drawing& drawing_;
    std::optional<BoundingBox> zoom_;
    std::vector<BlinkEntry> blinking_;
    StatusLines lines_;
    HWND window_ = nullptr;
};

}  // namespace zelhost
