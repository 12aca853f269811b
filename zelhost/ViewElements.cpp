#include "zelhost/ViewElements.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cwctype>

namespace zelhost {

namespace {

constexpr double Pi = 3.14159265358979323846;
// How far a match's colour reaches past its text, and its current box past that, in pixels.
constexpr int MatchMargin = 2;
constexpr int CurrentMatchMargin = 6;
static_assert(CurrentMatchMargin + 2 <= PaintReach, "the current match's box, its pen included");
// Less than this many pixels either way is a dot.
constexpr double DotPixels = 2;

// GDI takes coordinates of 27 bits at most; far outside the area nothing is seen anyway.
int Pixel(double value) { return static_cast<int>(std::lround(std::clamp(value, -1e6, 1e6))); }

Shape ShapeOf(const Element& e) { return e.detail ? e.detail->shape : Shape::None; }

// The points of a shape, in pixels: a line or polyline as given, an arc flattened finely enough
// that no facet shows.
std::vector<POINT> PixelPoints(const Element& e, const Viewport& viewport)
{
    std::vector<POINT> points;
    const ElementDetail& d = *e.detail;
    if (d.shape == Shape::Line || d.shape == Shape::Polyline) {
        for (size_t i = 0; i + 1 < d.values.size(); i += 2)
            points.push_back(viewport.ToPixel(d.values[i], d.values[i + 1]));
        if (d.shape == Shape::Polyline && d.closed && !points.empty())
            points.push_back(points.front());
    } else if (d.shape == Shape::Arc) {
        double radius = d.values[0];
        double start = d.values[1] * Pi / 180;
        double sweep = std::fmod(d.values[2] - d.values[1] + 360.0, 360.0);
        if (sweep == 0)
            sweep = 360;
        sweep *= Pi / 180;
        int steps = std::clamp(static_cast<int>(radius * viewport.scale * sweep / 4), 2, 256);
        for (int i = 0; i <= steps; ++i) {
            double angle = start + sweep * i / steps;
            points.push_back(viewport.ToPixel(e.x + radius * std::cos(angle), e.y + radius * std::sin(angle)));
        }
    }
    return points;
}

double DistanceToSegment(POINT p, POINT a, POINT b)
{
    double dx = b.x - a.x;
    double dy = b.y - a.y;
    double length = dx * dx + dy * dy;
    double t = length > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / length, 0.0, 1.0) : 0;
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

// What a text shows: the control codes of CAD texts (%%u and %%o, which underline and overline,
// %%d, %%p, %%c and %%%) read as a CAD view reads them. The host still holds the codes.
std::wstring Shown(const std::wstring& text, bool& underlined)
{
    std::wstring shown;
    underlined = false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, L"%%") != 0 || i + 2 >= text.size()) {
            shown += text[i];
            continue;
        }
        switch (towlower(text[i + 2])) {
        case L'u':
            underlined = true;
            break;
        case L'o':
            break;
        case L'd':
            shown += L'\x00B0';
            break;
        case L'p':
            shown += L'\x00B1';
            break;
        case L'c':
            shown += L'\x2300';
            break;
        case L'%':
            shown += L'%';
            break;
        default:
            shown += text.substr(i, 3);
            break;
        }
        i += 2;
    }
    return shown;
}

// The corners of the rectangle a text takes as painted from its anchor on the baseline, turned
// with it, `margin` pixels wider on every side: along the text from its start to its end, from
// the lowest descender up to the tallest ascender.
std::array<POINT, 4> TextCorners(HDC dc, POINT anchor, int tenthsOfDegree, const std::wstring& text, int margin)
{
    SIZE extent{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    double angle = tenthsOfDegree / 10.0 * Pi / 180;
    double c = std::cos(angle);
    double s = std::sin(angle);
    // Along the text is (cos, -sin) on the screen, whose y runs down; up from it is (-sin, -cos).
    auto at = [&](double along, double up) {
        return POINT{Pixel(anchor.x + along * c - up * s), Pixel(anchor.y - along * s - up * c)};
    };
    double start = -margin;
    double end = extent.cx + margin;
    double below = -(metrics.tmDescent + margin);
    double above = metrics.tmAscent + margin;
    return {at(start, below), at(end, below), at(end, above), at(start, above)};
}

}  // namespace

Viewport Viewport::Fit(const BoundingBox& box, const RECT& area)
{
    double width = std::max(box.xmax - box.xmin, 1e-9);
    double height = std::max(box.ymax - box.ymin, 1e-9);
    double scale = std::min((area.right - area.left - 2 * FitMargin) / width,
                            (area.bottom - area.top - StatusHeight - 2 * FitMargin) / height);
    return Viewport{area, std::max(scale, 1e-12), (box.xmin + box.xmax) / 2, (box.ymin + box.ymax) / 2};
}

POINT Viewport::ToPixel(double x, double y) const
{
    return POINT{Pixel((area.left + area.right) / 2.0 + (x - cx) * scale),
                 Pixel((area.top + area.bottom - StatusHeight) / 2.0 - (y - cy) * scale)};
}

EventPoint Viewport::ToDrawing(POINT pixel) const
{
    return EventPoint{cx + (pixel.x - (area.left + area.right) / 2.0) / scale,
                      cy - (pixel.y - (area.top + area.bottom - StatusHeight) / 2.0) / scale};
}

BoundingBox Viewport::Visible() const
{
    EventPoint low = ToDrawing(POINT{area.left, area.bottom});
    EventPoint high = ToDrawing(POINT{area.right, area.top});
    return BoundingBox{low.x, low.y, high.x, high.y};
}

double Distance(const Element& e, POINT p, const Viewport& viewport)
{
    POINT anchor = viewport.ToPixel(e.x, e.y);
    double toAnchor = std::hypot(p.x - anchor.x, p.y - anchor.y);
    if (e.IsAnnotation()) {
        // The text's own box, before rotation: from its baseline up, along the text.
        double height = TextHeight(e) * viewport.scale;
        double width = TextWidth(e, TextHeight(e)) * viewport.scale;
        double angle = -TextRotation(e) * Pi / 180;
        double along = (p.x - anchor.x) * std::cos(angle) - (p.y - anchor.y) * std::sin(angle);
        double up = -((p.x - anchor.x) * std::sin(angle) + (p.y - anchor.y) * std::cos(angle));
        double outside = std::hypot(std::max({0.0, -along, along - width}), std::max({0.0, -up, up - height}));
        return std::min(outside, toAnchor);
    }
    switch (ShapeOf(e)) {
    case Shape::Circle:
        return std::fabs(toAnchor - e.detail->values[0] * viewport.scale);
    case Shape::Line:
    case Shape::Polyline:
    case Shape::Arc: {
        std::vector<POINT> points = PixelPoints(e, viewport);
        double nearest = toAnchor;
        for (size_t i = 0; i + 1 < points.size(); ++i)
            nearest = std::min(nearest, DistanceToSegment(p, points[i], points[i + 1]));
        return nearest;
    }
    case Shape::None:
        break;
    }
    return toAnchor;
}

bool IsDot(const BoundingBox& box, const Viewport& viewport)
{
    return (box.xmax - box.xmin) * viewport.scale < DotPixels && (box.ymax - box.ymin) * viewport.scale < DotPixels;
}

void Dots::Add(const BoundingBox& box)
{
    POINT at = viewport_.ToPixel((box.xmin + box.xmax) / 2, (box.ymin + box.ymax) / 2);
    const RECT& area = viewport_.area;
    if (!PtInRect(&area, at))
        return;
    int width = area.right - area.left;
    int height = area.bottom - area.top;
    if (!pixels_) {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        layer_ = UniqueGdi<HBITMAP>(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!layer_)
            return;
        pixels_ = static_cast<std::uint32_t*>(bits);
        std::fill(pixels_, pixels_ + static_cast<size_t>(width) * height, 0xFFFFFFu);
    }
    pixels_[static_cast<size_t>(at.y - area.top) * width + (at.x - area.left)] =
        (GetRValue(DotColor) << 16) | (GetGValue(DotColor) << 8) | GetBValue(DotColor);
}

void Dots::PaintOn(HDC dc) const
{
    if (!pixels_)
        return;
    const RECT& area = viewport_.area;
    UniqueMemoryDc memory(CreateCompatibleDC(dc));
    Selected layer(memory.Get(), layer_.Get());
    BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, memory.Get(), 0, 0, SRCCOPY);
}

HFONT CreateFace(int height, int tenthsOfDegree, bool bold, bool underlined, const wchar_t* face)
{
    return CreateFontW(-height, 0, tenthsOfDegree, tenthsOfDegree, bold ? FW_BOLD : FW_NORMAL, FALSE, underlined, FALSE,
                       DEFAULT_CHARSET, 0, 0, 0, 0, face);
}

HFONT Fonts::Get(int height, int tenthsOfDegree, bool bold, bool underlined, const wchar_t* face)
{
    auto key = std::make_tuple(height, tenthsOfDegree, bold, underlined, std::wstring(face));
    auto found = fonts_.find(key);
    if (found == fonts_.end())
        found = fonts_.emplace(key, UniqueGdi<HFONT>(CreateFace(height, tenthsOfDegree, bold, underlined, face))).first;
    return found->second.Get();
}

ElementPainter::ElementPainter(HDC dc, const Viewport& viewport, Fonts& fonts)
    : dc_(dc),
      viewport_(viewport),
      fonts_(fonts),
      linePen_(CreatePen(PS_SOLID, 1, RGB(90, 90, 90))),
      textPen_(CreatePen(PS_SOLID, 1, DotColor)),
      matchPen_(CreatePen(PS_SOLID, 2, RGB(220, 0, 0))),
      matchBrush_(CreateSolidBrush(MatchBackColor)),
      pen_(dc, linePen_.Get())
{}

void ElementPainter::Paint(const Element& e, Mark mark)
{
    if (mark != Mark::None)
        SelectObject(dc_, matchPen_.Get());
    else
        SelectObject(dc_, e.IsAnnotation() ? textPen_.Get() : linePen_.Get());
    if (e.IsAnnotation())
        PaintText(e, mark);
    else
        PaintShape(e);
}

void ElementPainter::PaintText(const Element& e, Mark mark)
{
    POINT anchor = viewport_.ToPixel(e.x, e.y);
    double height = TextHeight(e) * viewport_.scale;
    double angle = TextRotation(e);
    if (height < 3) {
        // Too small to read: its place, as a CAD view shows it, a match's in its colours.
        double length = std::max(2.0, TextWidth(e, TextHeight(e)) * viewport_.scale);
        double radians = angle * Pi / 180;
        POINT end{Pixel(anchor.x + length * std::cos(radians)), Pixel(anchor.y - length * std::sin(radians))};
        auto around = [&](int margin) {
            return RECT{std::min(anchor.x, end.x) - margin, std::min(anchor.y, end.y) - margin,
                        std::max(anchor.x, end.x) + margin + 1, std::max(anchor.y, end.y) + margin + 1};
        };
        if (mark != Mark::None) {
            RECT back = around(MatchMargin);
            FillRect(dc_, &back, matchBrush_.Get());
        }
        MoveToEx(dc_, anchor.x, anchor.y, nullptr);
        LineTo(dc_, end.x, end.y);
        if (mark == Mark::CurrentMatch) {
            RECT box = around(CurrentMatchMargin);
            Selected hollow(dc_, GetStockObject(NULL_BRUSH));
            Rectangle(dc_, box.left, box.top, box.right, box.bottom);
        }
        return;
    }
    int tenths = static_cast<int>(std::lround(std::fmod(angle, 360.0) * 10));
    bool underlined = false;
    std::wstring text = Shown(e.text, underlined);
    Selected font(dc_, fonts_.Get(static_cast<int>(std::min(height, 2000.0)), tenths, mark != Mark::None, underlined));
    if (mark != Mark::None) {
        std::array<POINT, 4> back = TextCorners(dc_, anchor, tenths, text, MatchMargin);
        Selected brush(dc_, matchBrush_.Get());
        Selected noOutline(dc_, GetStockObject(NULL_PEN));
        Polygon(dc_, back.data(), static_cast<int>(back.size()));
    }
    SetTextColor(dc_, mark != Mark::None ? MatchTextColor : RGB(0, 0, 0));
    TextOutW(dc_, anchor.x, anchor.y, text.c_str(), static_cast<int>(text.size()));
    if (mark == Mark::CurrentMatch) {
        std::array<POINT, 4> box = TextCorners(dc_, anchor, tenths, text, CurrentMatchMargin);
        Selected hollow(dc_, GetStockObject(NULL_BRUSH));
        Polygon(dc_, box.data(), static_cast<int>(box.size()));
    }
}

void ElementPainter::PaintShape(const Element& e)
{
    POINT anchor = viewport_.ToPixel(e.x, e.y);
    switch (ShapeOf(e)) {
    case Shape::None:
        MoveToEx(dc_, anchor.x - 2, anchor.y, nullptr);
        LineTo(dc_, anchor.x + 3, anchor.y);
        MoveToEx(dc_, anchor.x, anchor.y - 2, nullptr);
        LineTo(dc_, anchor.x, anchor.y + 3);
        break;
    case Shape::Circle: {
        int r = Pixel(e.detail->values[0] * viewport_.scale);
        Selected brush(dc_, GetStockObject(NULL_BRUSH));
        Ellipse(dc_, anchor.x - r, anchor.y - r, anchor.x + r + 1, anchor.y + r + 1);
        break;
    }
    default: {
        std::vector<POINT> points = PixelPoints(e, viewport_);
        Polyline(dc_, points.data(), static_cast<int>(points.size()));
        break;
    }
    }
}

}  // namespace zelhost
