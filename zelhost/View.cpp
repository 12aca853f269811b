#include "zelhost/View.h"

#include "base/UniqueHandle.h"
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

BoundingBox View::Extents() const
{
    BoundingBox box{0, 0, 1, 1};
    bool first = true;
    for (const Segment& s : drawing_.Segments()) {
        if (s.deleted)
            continue;
        for (const Element& e : s.elements) {
            BoundingBox covered = BoxOf(e);
            if (e.IsAnnotation())
                covered = BoundingBox{e.x, e.y, e.x, e.y};
            if (first)
                box = covered;
            first = false;
            Include(box, covered.xmin, covered.ymin);
            Include(box, covered.xmax, covered.ymax);
        }
    }
    return box;
}

BoundingBox View::Shown() const { return shown_ ? *shown_ : Extents(); }

const Element* View::ElementAt(POINT pixel, const RECT& area, int aperture) const
{
    if (!(input_.mask & PickBit))
        return nullptr;
    bool annotationsOnly = input_.filter.values[0] == 8;
    Viewport viewport = ViewportFor(area);
    BoundingBox visible = viewport.Visible();
    const Element* nearest = nullptr;
    double best = aperture + 0.5;
    for (const Segment& s : drawing_.Segments()) {
        if (s.deleted)
            continue;
        for (const Element& e : s.elements) {
            if ((annotationsOnly && !e.IsAnnotation()) || !Overlaps(BoxOf(e), visible))
                continue;
            double distance = Distance(e, pixel, viewport);
            if (distance < best) {
                best = distance;
                nearest = &e;
            }
        }
    }
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
    }
    // The match the plug-in zoomed to is the one at the view's centre.
    auto isCurrent = [&](const Element& e) {
        return zoomedByPlugin_ && e.IsAnnotation() && std::fabs(e.x - viewport.cx) < 1e-6 &&
               std::fabs(e.y - viewport.cy) < 1e-6;
    };
    BoundingBox visible = viewport.Visible();
    ElementPainter painter(dc, viewport, fonts);
    SetTextAlign(dc, TA_BASELINE | TA_LEFT);
    for (const Segment& s : drawing_.Segments()) {
        if (s.deleted)
            continue;
        bool blinking = std::binary_search(lit.begin(), lit.end(), s.id);
        for (const Element& e : s.elements) {
            if (!Overlaps(BoxOf(e), visible))
                continue;
            Mark mark = !blinking ? Mark::None : isCurrent(e) ? Mark::CurrentMatch : Mark::Match;
            painter.Paint(e, mark);
        }
    }
    SetTextAlign(dc, TA_TOP | TA_LEFT);
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
    UniqueGdi<HBRUSH> back(CreateSolidBrush(PromptBackColor));
    FillRect(dc, &box, back.Get());
    PaintPieces(dc, box.left + 3, box.top + 1, prompt);
}

}  // namespace zelhost
