// What the host shows of the drawing: the view (framed by the plug-in's last zoom, or by the
// person's own wheel, drag and Home), the segments set blinking, the rubber band of a prompt
// with an echo, and the prompt, cursor, info and error lines. The host window (HostWindow.cpp)
// and the snapshots paint it; a click is turned into a pick or a point here.
#pragma once

#include "zelhost/Drawing.h"

#include <ZelLib.h>

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
    std::wstring host;  // the host's own word, such as why a click picked nothing
};

// What the current prompt takes, as its ready function set it. The host's own meaning of the
// values (the README documents it):
//   event mask: 0x800 a left click picks an element, 0x20000 a left click gives a data point,
//     0x1000000 the pick takes the nearest element, not the first found; key-ins, confirms and
//     other events are taken at every prompt;
//   object filter: the first value is what a pick may take, 8 annotations alone, 0 any element;
//   echo kind 2: a rectangle from the echo's anchor to the pointer.
struct InputRules {
    std::int32_t mask = 0;
    ObjectFilterRecord filter{};
    std::optional<EchoRecord> echo;
};

constexpr std::int32_t PickBit = 0x800;
constexpr std::int32_t PointBit = 0x20000;
constexpr COLORREF RubberBandColor = RGB(0, 102, 255);

// The drawing fitted into a rectangle of pixels, y upwards.
struct Viewport {
    RECT area;
    double scale;   // pixels per drawing unit
    double cx, cy;  // the drawing point at the area's centre

    static Viewport Fit(const BoundingBox& box, const RECT& area);
    POINT ToPixel(double x, double y) const;
    EventPoint ToDrawing(POINT pixel) const;
    BoundingBox Visible() const;
};

class View {
public:
    explicit View(const Drawing& drawing) : drawing_(drawing) {}
    void Reset();

    // The plug-in's side.
    void Zoom(const BoundingBox& box);
    void AddBlink(BlinkEntry entry) { blinking_.push_back(entry); }
    const std::vector<BlinkEntry>& Blinking() const { return blinking_; }
    void ClearBlink();
    StatusLines& Lines() { return lines_; }
    const StatusLines& Lines() const { return lines_; }
    InputRules& Input() { return input_; }
    const InputRules& Input() const { return input_; }
    // A prompt has been answered: its echo goes. At the end of a pass, as a host does, the
    // prompt, cursor and info lines go too, and nothing blinks.
    void PromptEnded(bool passEnded);

    // The person's side: these never reach the plug-in.
    void ZoomAbout(POINT pixel, double factor, const RECT& area);
    void Pan(int dx, int dy, const RECT& area);
    void FitAll();
    void SetPointer(std::optional<EventPoint> pointer);
    void ToggleBlinkPhase();

    // The element a click at `pixel` picks under the current input rules, within `aperture`
    // pixels; null when there is none.
    const Element* ElementAt(POINT pixel, const RECT& area, int aperture) const;
    Viewport ViewportFor(const RECT& area) const { return Viewport::Fit(Shown(), area); }

    void SetWindow(HWND window) { window_ = window; }
    void Changed() const;
    // `live`: the window's own painting, with the blink phase and the prompt at the pointer.
    void Paint(HDC dc, const RECT& area, bool live) const;

private:
    BoundingBox Shown() const;
    BoundingBox Extents() const;
    bool IsBlinking(std::int32_t segmentId) const;

    const Drawing& drawing_;
    std::optional<BoundingBox> shown_;  // none: the whole drawing
    bool zoomedByPlugin_ = false;
    std::vector<BlinkEntry> blinking_;
    bool blinkPhase_ = true;
    StatusLines lines_;
    InputRules input_;
    std::optional<EventPoint> pointer_;
    HWND window_ = nullptr;
};

}  // namespace zelhost
