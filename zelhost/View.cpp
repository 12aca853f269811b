#include "zelhost/View.h"

#include "base/UniqueHandle.h"
#include "zelhost/ViewElements.h"

#include <algorithm>
#include <cmath>

namespace zelhost {

namespace {

// The prompt's box keeps this far from the pointer, in pixels.
constexpr int PromptOffset = 16;

SIZE ExtentOf(HDC dc, const std::vector<TextPiece>& pieces)
{
    SIZE whole{0, 0};
    for (const TextPiece& piece : pieces) {
        Selected font(dc, piece.font);
        SIZE extent{};
        GetTextExtentPoint32W(dc, piece.text.c_str(), static_cast<int>(piece.text.size()), &extent);
        whole.cx += extent.cx;
        whole.cy = std::max(whole.cy, extent.cy);
    }
    return whole;
}

void PaintPieces(HDC dc, int x, int y, const std::vector<TextPiece>& pieces)
{
    for (const TextPiece& piece : pieces) {
        Selected font(dc, piece.font);
        SetTextColor(dc, piece.color);
        TextOutW(dc, x, y, piece.text.c_str(), static_cast<int>(piece.text.size()));
        SIZE extent{};
        GetTextExtentPoint32W(dc, piece.text.c_str(), static_cast<int>(piece.text.size()), &extent);
        x += extent.cx;
    }
}

// What a box of the drawing covers on the screen.
RECT PixelsOf(const BoundingBox& box, const Viewport& viewport)
{
    POINT low = viewport.ToPixel(box.xmin, box.ymin);
    POINT high = viewport.ToPixel(box.xmax, box.ymax);
    return RECT{std::min(low.x, high.x), std::min(low.y, high.y), std::max(low.x, high.x) + 1,
                std::max(low.y, high.y) + 1};
}

bool Intersect(const RECT& a, const RECT& b)
{
    RECT both{};
    return IntersectRect(&both, &a, &b) != FALSE;
}

// Where a box of `size` goes beside the mouse: below and to the right of the pointer, else on
// another side of it, never outside `within`, and never over `keepClear` (the current match)
// where any place beside the pointer or just above or below the match leaves it clear.
RECT BesidePointer(POINT mouse, SIZE size, const RECT& within, std::optional<RECT> keepClear)
{
    auto clamp = [](int start, int length, int low, int high) { return std::max(low, std::min(start, high - length)); };
    auto boxAt = [&](int x, int y) {
        x = clamp(x, size.cx, within.left, within.right);
        y = clamp(y, size.cy, within.top, within.bottom);
        return RECT{x, y, x + size.cx, y + size.cy};
    };
    int right = mouse.x + PromptOffset;
    int left = mouse.x - PromptOffset - size.cx;
    int below = mouse.y + PromptOffset;
    int above = mouse.y - PromptOffset - size.cy;
    int first = right + size.cx > within.right ? left : right;
    std::vector<RECT> places = {boxAt(first, below + size.cy > within.bottom ? above : below)};
    for (int x : {right, left})
        for (int y : {below, above})
            places.push_back(boxAt(x, y));
    if (keepClear) {
        places.push_back(boxAt(first, keepClear->bottom + 1));
        places.push_back(boxAt(first, keepClear->top - 1 - size.cy));
    }
    for (const RECT& place : places)
        if (!keepClear || !Intersect(place, *keepClear))
            return place;
    return places.front();
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
    std::optional<RECT> current = PaintElements(dc, viewport, live, fonts);
    PaintBand(dc, viewport, mouse);
    PaintLines(dc, area, live ? mouse : std::nullopt, current, fonts);
}

std::optional<RECT> View::PaintElements(HDC dc, const Viewport& viewport, bool live, Fonts& fonts) const
{
    // The segments blinking, sorted for a quick look-up: a search can set a thousand blinking.
    std::vector<std::int32_t> blinking;
    for (const BlinkEntry& entry : blinking_)
        blinking.push_back(entry.segmentId);
    std::sort(blinking.begin(), blinking.end());
    blinking.erase(std::unique(blinking.begin(), blinking.end()), blinking.end());
    bool lit = !live || blinkPhase_;
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
    std::vector<Placed> painted = OverDots(viewport, visible, lit ? blinking : std::vector<std::int32_t>{}, dots);
    dots.PaintOn(dc);
    ElementPainter painter(dc, viewport, fonts);
    std::optional<RECT> current;  // where the current match is, lit or not
    SetTextAlign(dc, TA_BASELINE | TA_LEFT);
    for (const auto& [segment, element] : painted)
        painter.Paint(*element, Mark::None);
    for (std::int32_t id : blinking) {
        const Segment* s = drawing_.FindSegment(id);
        if (!s)
            continue;
        for (const Element& e : s->elements) {
            if (!Overlaps(BoxOf(e), visible))
                continue;
            Mark mark = isCurrent(e) ? Mark::CurrentMatch : Mark::Match;
            if (mark == Mark::CurrentMatch)
                current = PixelsOf(BoxOf(e), viewport);
            if (lit)
                painter.Paint(e, mark);
        }
    }
    SetTextAlign(dc, TA_TOP | TA_LEFT);
    return current;
}

std::vector<View::Placed> View::OverDots(const Viewport& viewport, const BoundingBox& visible,
                                         const std::vector<std::int32_t>& skipped, Dots& dots) const
{
    std::vector<Placed> placed;
    drawing_.VisitSegmentsIn(visible, [&](const Segment& s, const BoundingBox& covered) {
        if (IsDot(covered, viewport)) {
            dots.Add(covered);
            return;
        }
        if (std::binary_search(skipped.begin(), skipped.end(), s.id))
            return;
        for (const Element& e : s.elements) {
            BoundingBox box = BoxOf(e);
            if (!Overlaps(box, visible))
                continue;
            if (IsDot(box, viewport))
                dots.Add(box);
            else
                placed.emplace_back(&s, &e);
        }
    });
    std::sort(placed.begin(), placed.end(), InDrawingOrder);
    return placed;
}

void View::PaintBand(HDC dc, const Viewport& viewport, std::optional<POINT> mouse) const
{
    if (!input_.echo || !(mouse || pointer_))
        return;
    UniqueGdi<HPEN> bandPen(CreatePen(PS_SOLID, 1, RubberBandColor));
    Selected band(dc, bandPen.Get());
    Selected brush(dc, GetStockObject(NULL_BRUSH));
    POINT a = viewport.ToPixel(input_.echo->x, input_.echo->y);
    POINT b = mouse ? *mouse : viewport.ToPixel(pointer_->x, pointer_->y);
    Rectangle(dc, std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x) + 1, std::max(a.y, b.y) + 1);
}

// The status bar shows the prompt with its cursor word at all times, then the info, error and
// host lines; the prompt also shows in a box beside the mouse, inside the view above the bar,
// clear of the current match. The cursor word's arrows are set in a face that draws them well.
std::vector<TextPiece> View::StatusPieces(Fonts* fonts, bool promptAlone) const
{
    HFONT hangul = fonts ? fonts->Get(HostTextHeight, 0, false) : nullptr;
    HFONT symbols = fonts ? fonts->Get(HostTextHeight, 0, false, false, L"DejaVu Sans") : nullptr;
    auto isHangul = [](wchar_t c) { return (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0x3130 && c <= 0x318F); };
    HFONT cursorFace = std::any_of(lines_.cursor.begin(), lines_.cursor.end(), isHangul) ? hangul : symbols;
    std::vector<TextPiece> pieces = {{lines_.prompt, RGB(0, 0, 120), hangul}};
    if (!lines_.cursor.empty())
        pieces.push_back({L" [" + lines_.cursor + L"]", RGB(0, 0, 120), cursorFace});
    if (promptAlone)
        return pieces;
    pieces.push_back({L"   " + lines_.info, RGB(0, 0, 120), hangul});
    pieces.push_back({L"   " + lines_.error, RGB(200, 0, 0), hangul});
    pieces.push_back({L"   " + lines_.host, RGB(0, 0, 0), hangul});
    return pieces;
}

std::wstring View::StatusBarText() const
{
    std::wstring text;
    for (const TextPiece& piece : StatusPieces(nullptr, false))
        text += piece.text;
    return text;
}

void View::PaintLines(HDC dc, const RECT& area, std::optional<POINT> mouse, std::optional<RECT> current,
                      Fonts& fonts) const
{
    RECT bar = {area.left, area.bottom - StatusHeight, area.right, area.bottom};
    FillRect(dc, &bar, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
    PaintPieces(dc, bar.left + 4, bar.top + 4, StatusPieces(&fonts, false));

    if (!mouse || lines_.prompt.empty())
        return;
    std::vector<TextPiece> prompt = StatusPieces(&fonts, true);
    SIZE text = ExtentOf(dc, prompt);
    RECT above = {area.left, area.top, area.right, bar.top};
    RECT box = BesidePointer(*mouse, SIZE{text.cx + 6, text.cy + 2}, above, current);
    UniqueGdi<HBRUSH> back(CreateSolidBrush(PromptBackColor));
    FillRect(dc, &box, back.Get());
    PaintPieces(dc, box.left + 3, box.top + 1, prompt);
}

}  // namespace zelhost
