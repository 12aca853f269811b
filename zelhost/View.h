// What the host shows of the drawing: the view (framed by the plug-in's last zoom, or by the
// person's own wheel, drag and Home), the segments set blinking, the rubber band of a prompt
// with an echo, and the prompt, cursor, info and error lines: the status bar at the view's foot
// always shows them, and the prompt also shows beside the mouse, clear of the current match. The host window
// (HostWindow.cpp) and the snapshots paint it; a click is turned into a pick or a point here.
// The elements themselves are ViewElements' to measure and paint.
#pragma once

#include "zelhost/Drawing.h"

#include <ZelLib.h>

#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zelhost {

class Dots;
class Fonts;

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
    std::wstring host;  // the host's own word: what a click picked, or why it picked nothing
};

// A piece of a line the host writes, in its own colour and face.
struct TextPiece {
    std::wstring text;
    COLORREF color;
    HFONT font;
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
// The colours of what the host shows over the drawing: a match's text and what lies under it,
// the rubber band, the prompt's box beside the pointer, and the dots.
constexpr COLORREF MatchTextColor = RGB(200, 0, 0);
constexpr COLORREF MatchBackColor = RGB(255, 236, 150);
constexpr COLORREF RubberBandColor = RGB(0, 102, 255);
constexpr COLORREF PromptBackColor = RGB(255, 255, 225);
// An element smaller than about a pixel shows as one pixel of this colour.
constexpr COLORREF DotColor = RGB(120, 120, 120);

// Everything the host writes (the key-in line, the prompt, the status bar) is set in one face
// that has Hangul, at normal weight and this many pixels high.
constexpr wchar_t HostFace[] = L"NanumGothic";
constexpr int HostTextHeight = 13;

// The status bar takes the foot of the view's area; a fitted box keeps a margin inside the rest.
constexpr int StatusHeight = 22;
constexpr int FitMargin = 10;

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
    // `live`: the window's own painting, with the blink phase, and with the prompt beside the
    // mouse too when `mouse` (its place in the area) is over the view; the rubber band then ends
    // at the mouse. A snapshot shows every blinking segment lit and the band to the pointer's
    // last place.
    void Paint(HDC dc, const RECT& area, bool live, std::optional<POINT> mouse = std::nullopt) const;
    // What the status bar shows, as one text.
    std::wstring StatusBarText() const;

private:
    BoundingBox Shown() const;
    // Where the current match is on the screen, when it is in view.
    std::optional<RECT> PaintElements(HDC dc, const Viewport& viewport, bool live, Fonts& fonts) const;
    // What the drawing's index finds in `visible`: what is smaller than a pixel laid as a dot,
    // the other elements (but those of the `skipped` segments, sorted) in the drawing's order.
    using Placed = std::pair<const Segment*, const Element*>;
    std::vector<Placed> OverDots(const Viewport& viewport, const BoundingBox& visible,
                                 const std::vector<std::int32_t>& skipped, Dots& dots) const;
    void PaintBand(HDC dc, const Viewport& viewport, std::optional<POINT> mouse) const;
    // The status bar's pieces, or the prompt's alone; without fonts, the texts alone.
    std::vector<TextPiece> StatusPieces(Fonts* fonts, bool promptAlone) const;
    void PaintLines(HDC dc, const RECT& area, std::optional<POINT> mouse, std::optional<RECT> current,
                    Fonts& fonts) const;

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
