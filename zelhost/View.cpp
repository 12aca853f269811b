#include "zelhost/View.h"

#include "zelhost/Owned.h"
#include "zelhost/ViewElements.h"

#include <algorithm>
#include <cmath>

namespace zelhost {

namespace {

// The prompt's box keeps this far from the pointer, in pixels.
constexpr int PromptOffset = 16;

// A line of text in pieces of their own colour and face.
struct Piece {
    std::wstring text;
    COLORREF color;
    HFONT font;
};

SIZE ExtentOf(HDC dc, const std::vector<Piece>& pieces)
{
    SIZE whole{0, 0};
    for (const Piece& piece : pieces) {
        Selected font(dc, piece.font);
        SIZE extent{};
        GetTextExtentPoint32W(dc, piece.text.c_str(), static_cast<int>(piece.text.size()), &extent);
        whole.cx += extent.cx;
        whole.cy = std::max(whole.cy, extent.cy);
    }
    return whole;
}

void PaintPieces(HDC dc, int x, int y, const std::vector<Piece>& pieces)
{
    for (const Piece& piece : pieces) {
        Selected font(dc, piece.font);
        SetTextColor(dc, piece.color);
        TextOutW(dc, x, y, piece.text.c_str(), static_cast<int>(piece.text.size()));
        SIZE extent{};
        GetTextExtentPoint32W(dc, piece.text.c_str(), static_cast<int>(piece.text.size()), &extent);
        x += extent.cx;
    }
}

// Where a box of `size` goes beside the mouse: below and to the right of the pointer, on the
// other side where that would leave `within`, and never outside it.
RECT BesidePointer(POINT mouse, SIZE size, const RECT& within)
{
    auto place = [](int at, int length, int low, int high) {
        int start = at + PromptOffset;
        if (start + length > high)
            start = at - PromptOffset - length;
        return std::max(low, std::min(start, high - length));
    };
    int x = place(mouse.x, size.cx, within.left, within.right);
    int y = place(mouse.y, size.cy, within.top, within.bottom);
    return RECT{x, y, x + size.cx, y + size.cy};
}

// Elements in the order the drawing holds them: by segment, then within it. The segments lie
// in one vector, as the elements of each do.
bool InDrawingOrder(const std::pair<const Segment*, const Element*>& a,
                    const std::pair<const Segment*, const Element*>& b)
{
    return a.first != b.first ? a.first < b.first : a.second < b.second;
}

}  // namespace

void View::Reset()
{
    shown_.reset();
    zoomedByPlugin_ = false;
    blinking_.clear();
    lines_ = StatusLines{};
    input_ = InputRules{};
    pointer_.reset();
    Changed();
}

void View::Zoom(const BoundingBox& box)
{
    shown_ = box;
    zoomedByPlugin_ = true;
    Changed();
}

void View::ClearBlink()
{
    blinking_.clear();
    Changed();
}

void View::PromptEnded(bool passEnded)
{
    input_.echo.reset();
    if (passEnded) {
        lines_.prompt.clear();
        lines_.cursor.clear();
        lines_.info.clear();
        blinking_.clear();
        input_ = InputRules{};
    }
    Changed();
}

void View::ZoomAbout(POINT pixel, double factor, const RECT& area)
{
    Viewport now = ViewportFor(area);
    EventPoint fixed = now.ToDrawing(pixel);
    double scale = now.scale * factor;
    double cx = fixed.x - (pixel.x - (area.left + area.right) / 2.0) / scale;
    double cy = fixed.y + (pixel.y - (area.top + area.bottom - StatusHeight) / 2.0) / scale;
    double halfWidth = (area.right - area.left - 2 * FitMargin) / scale / 2;
    double halfHeight = (area.bottom - area.top - StatusHeight - 2 * FitMargin) / scale / 2;
    shown_ = BoundingBox{cx - halfWidth, cy - halfHeight, cx + halfWidth, cy + halfHeight};
    zoomedByPlugin_ = false;
    Changed();
}

void View::Pan(int dx, int dy, const RECT& area)
{
    Viewport now = ViewportFor(area);
    BoundingBox box = Shown();
    double mx = -dx / now.scale;
    double my = dy / now.scale;
    shown_ = BoundingBox{box.xmin + mx, box.ymin + my, box.xmax + mx, box.ymax + my};
    zoomedByPlugin_ = false;
    Changed();
}

void View::FitAll()
{
    shown_.reset();
    zoomedByPlugin_ = false;
    Changed();
}

void View::SetPointer(std::optional<EventPoint> pointer)
{
    pointer_ = pointer;
    if (input_.echo || !lines_.prompt.empty())
        Changed();
}

void View::ToggleBlinkPhase()
{
    blinkPhase_ = !blinkPhase_;
    if (!blinking_.empty())
        Changed();
}

void View::Changed() const
{
    if (window_)
        InvalidateRect(window_, nullptr, FALSE);
}

BoundingBox View::Shown() const { return shown_ ? *shown_ : drawing_.Extents(); }

const Element* View::ElementAt(POINT pixel, const RECT& area, int aperture) const
{
    if (!(input_.mask & PickBit))
        return nullptr;
    bool annotationsOnly = input_.filter.values[0] == 8;
    Viewport viewport = ViewportFor(area);
    BoundingBox visible = viewport.Visible();
    // Within the aperture, and a pixel more for the rounding of what is shown.
    EventPoint at = viewport.ToDrawing(pixel);
    double reach = (aperture + 1) / viewport.scale;
    BoundingBox around{at.x - reach, at.y - reach, at.x + reach, at.y + reach};
    const Element* nearest = nullptr;
    double best = aperture + 0.5;
    std::pair<const Segment*, const Element*> nearestPlace{};
    drawing_.VisitSegmentsIn(around, [&](const Segment& s, const BoundingBox&) {
        for (const Element& e : s.elements) {
            if ((annotationsOnly && !e.IsAnnotation()) || !Overlaps(BoxOf(e), visible))
                continue;
            // Of two as near, the one that comes first in the drawing.
            double distance = Distance(e, pixel, viewport);
            std::pair<const Segment*, const Element*> place{&s, &e};
            if (distance < best || (distance == best && nearest && InDrawingOrder(place, nearestPlace))) {
                best = distance;
                nearest = &e;
                nearestPlace = place;
            }
        }
    });
    return nearest;
}

void View::Paint(HDC dc, const RECT& area, bool live, std::optional<POINT> mouse) const
{
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    Viewport viewport = ViewportFor(area);
    Fonts fonts;
    SetBkMode(dc, TRANSPARENT);
    PaintElements(dc, viewport, live, fonts);
    PaintBand(dc, viewport, mouse);
    PaintLines(dc, area, live ? mouse : std::nullopt, fonts);
}

void View::PaintElements(HDC dc, const Viewport& viewport, bool live, Fonts& fonts) const
{
    // The segments lit now, sorted for a quick look-up: a search can set a thousand blinking.
    std::vector<std::int32_t> lit;
    if (!live || blinkPhase_) {
        for (const BlinkEntry& entry : blinking_)
            lit.push_back(entry.segmentId);
        std::sort(lit.begin(), lit.end());
        lit.erase(std::unique(lit.begin(), lit.end()), lit.end());
    }
    // The match the plug-in zoomed to is the one at the view's centre.
    auto isCurrent = [&](const Element& e) {
        return zoomedByPlugin_ && e.IsAnnotation() && std::fabs(e.x - viewport.cx) < 1e-6 &&
               std::fabs(e.y - viewport.cy) < 1e-6;
    };
    // What lies just outside the view may still reach into it.
    BoundingBox visible = viewport.Visible();
    double reach = PaintReach / viewport.scale;
    visible = BoundingBox{visible.xmin - reach, visible.ymin - reach, visible.xmax + reach, visible.ymax + reach};

    // Whatever is smaller than a pixel is a dot, laid first; the rest is painted over it in the
    // drawing's order, and the lit segments, marked, over everything.
    Dots dots(viewport);
    std::vector<std::pair<const Segment*, const Element*>> painted;
    drawing_.VisitSegmentsIn(visible, [&](const Segment& s, const BoundingBox& covered) {
        if (IsDot(covered, viewport)) {
            dots.Add(covered);
            return;
        }
        if (std::binary_search(lit.begin(), lit.end(), s.id))
            return;
        for (const Element& e : s.elements) {
            BoundingBox box = BoxOf(e);
            if (!Overlaps(box, visible))
                continue;
            if (IsDot(box, viewport))
                dots.Add(box);
            else
                painted.emplace_back(&s, &e);
        }
    });
    std::sort(painted.begin(), painted.end(), InDrawingOrder);
    dots.PaintOn(dc);

    ElementPainter painter(dc, viewport, fonts);
    SetTextAlign(dc, TA_BASELINE | TA_LEFT);
    for (const auto& [segment, element] : painted)
        painter.Paint(*element, Mark::None);
    for (std::int32_t id : lit) {
        if (const Segment* s = drawing_.FindSegment(id))
            for (const Element& e : s->elements)
                if (Overlaps(BoxOf(e), visible))
                    painter.Paint(e, isCurrent(e) ? Mark::CurrentMatch : Mark::Match);
    }
    SetTextAlign(dc, TA_TOP | TA_LEFT);
}

void View::PaintBand(HDC dc, const Viewport& viewport, std::optional<POINT> mouse) const
{
    if (!input_.echo || !(mouse || pointer_))
        return;
    OwnedGdi<HPEN> bandPen(CreatePen(PS_SOLID, 1, RubberBandColor));
    Selected band(dc, bandPen.Get());
    Selected brush(dc, GetStockObject(NULL_BRUSH));
    POINT a = viewport.ToPixel(input_.echo->x, input_.echo->y);
    POINT b = mouse ? *mouse : viewport.ToPixel(pointer_->x, pointer_->y);
    Rectangle(dc, std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x) + 1, std::max(a.y, b.y) + 1);
}

// The status bar shows the prompt with its cursor word at all times, then the info, error and
// host lines; the prompt also shows in a box beside the mouse, inside the view above the bar.
// The cursor word's arrows are set in a face that draws them well.
void View::PaintLines(HDC dc, const RECT& area, std::optional<POINT> mouse, Fonts& fonts) const
{
    HFONT hangul = fonts.Get(HostTextHeight, 0, false);
    HFONT symbols = fonts.Get(HostTextHeight, 0, false, false, L"DejaVu Sans");
    auto isHangul = [](wchar_t c) { return (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0x3130 && c <= 0x318F); };
    HFONT cursorFace = std::any_of(lines_.cursor.begin(), lines_.cursor.end(), isHangul) ? hangul : symbols;
    std::vector<Piece> prompt = {{lines_.prompt, RGB(0, 0, 120), hangul}};
    if (!lines_.cursor.empty())
        prompt.push_back({L" [" + lines_.cursor + L"]", RGB(0, 0, 120), cursorFace});

    RECT bar = {area.left, area.bottom - StatusHeight, area.right, area.bottom};
    FillRect(dc, &bar, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
    std::vector<Piece> status = prompt;
    status.push_back({L"   " + lines_.info, RGB(0, 0, 120), hangul});
    status.push_back({L"   " + lines_.error, RGB(200, 0, 0), hangul});
    status.push_back({L"  " + lines_.host, RGB(200, 0, 0), hangul});
    PaintPieces(dc, bar.left + 4, bar.top + 4, status);

    if (!mouse || lines_.prompt.empty())
        return;
    SIZE text = ExtentOf(dc, prompt);
    RECT above = {area.left, area.top, area.right, bar.top};
    RECT box = BesidePointer(*mouse, SIZE{text.cx + 6, text.cy + 2}, above);
    OwnedGdi<HBRUSH> back(CreateSolidBrush(PromptBackColor));
    FillRect(dc, &box, back.Get());
    PaintPieces(dc, box.left + 3, box.top + 1, prompt);
}

}  // namespace zelhost
