#include "zelhost/View.h"

#include "zelhost/Owned.h"

#include <algorithm>
#include <cmath>
#include <cwctype>
#include <map>

namespace zelhost {

namespace {

constexpr double Pi = 3.14159265358979323846;
// An annotation without a height of its own is drawn this many drawing units high.
constexpr double DefaultTextHeight = 250;
constexpr int StatusHeight = 22;
constexpr int FitMargin = 10;

// GDI takes coordinates of 27 bits at most; far outside the area nothing is seen anyway.
int Pixel(double value) { return static_cast<int>(std::lround(std::clamp(value, -1e6, 1e6))); }

double TextHeight(const Element& e) { return e.detail && e.detail->height > 0 ? e.detail->height : DefaultTextHeight; }
double TextRotation(const Element& e) { return e.detail ? e.detail->rotation : 0; }
Shape ShapeOf(const Element& e) { return e.detail ? e.detail->shape : Shape::None; }

// A text's width from its height: wide characters take about a square each.
double TextWidth(const Element& e, double height)
{
    double width = 0;
    for (wchar_t c : e.text)
        width += c >= 0x1100 ? height : 0.6 * height;
    return width;
}

void Include(BoundingBox& box, double x, double y)
{
    box.xmin = std::min(box.xmin, x);
    box.ymin = std::min(box.ymin, y);
    box.xmax = std::max(box.xmax, x);
    box.ymax = std::max(box.ymax, y);
}

// What an element covers in the drawing, its anchor included.
BoundingBox BoxOf(const Element& e)
{
    BoundingBox box{e.x, e.y, e.x, e.y};
    if (e.IsAnnotation()) {
        double height = TextHeight(e);
        double reach = TextWidth(e, height) + height;
        return BoundingBox{e.x - reach, e.y - reach, e.x + reach, e.y + reach};
    }
    const std::vector<double>* values = e.detail ? &e.detail->values : nullptr;
    switch (ShapeOf(e)) {
    case Shape::Line:
    case Shape::Polyline:
        for (size_t i = 0; i + 1 < values->size(); i += 2)
            Include(box, (*values)[i], (*values)[i + 1]);
        break;
    case Shape::Circle:
    case Shape::Arc:
        Include(box, e.x - (*values)[0], e.y - (*values)[0]);
        Include(box, e.x + (*values)[0], e.y + (*values)[0]);
        break;
    case Shape::None:
        break;
    }
    return box;
}

bool Overlaps(const BoundingBox& a, const BoundingBox& b)
{
    return a.xmin <= b.xmax && b.xmin <= a.xmax && a.ymin <= b.ymax && b.ymin <= a.ymax;
}

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

// How far, in pixels, a click at `p` is from what the element shows.
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

// The fonts of one painting, by pixel height and angle.
class Fonts {
public:
    HFONT Get(int height, int tenthsOfDegree, bool bold, bool underlined = false, const wchar_t* face = L"NanumGothic")
    {
        auto key = std::make_tuple(height, tenthsOfDegree, bold, underlined, std::wstring(face));
        auto found = fonts_.find(key);
        if (found == fonts_.end())
            found = fonts_
                        .emplace(key, OwnedGdi<HFONT>(CreateFontW(-height, 0, tenthsOfDegree, tenthsOfDegree,
                                                                  bold ? FW_BOLD : FW_NORMAL, FALSE, underlined, FALSE,
                                                                  DEFAULT_CHARSET, 0, 0, 0, 0, face)))
                        .first;
        return found->second.Get();
    }

private:
    std::map<std::tuple<int, int, bool, bool, std::wstring>, OwnedGdi<HFONT>> fonts_;
};

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

void PaintText(HDC dc, const Element& e, const Viewport& viewport, bool blinking, Fonts& fonts)
{
    POINT anchor = viewport.ToPixel(e.x, e.y);
    double height = TextHeight(e) * viewport.scale;
    double angle = TextRotation(e);
    if (height < 3) {
        // Too small to read: its place, as a CAD view shows it.
        double length = std::max(2.0, TextWidth(e, TextHeight(e)) * viewport.scale);
        double radians = angle * Pi / 180;
        MoveToEx(dc, anchor.x, anchor.y, nullptr);
        LineTo(dc, Pixel(anchor.x + length * std::cos(radians)), Pixel(anchor.y - length * std::sin(radians)));
        return;
    }
    int tenths = static_cast<int>(std::lround(std::fmod(angle, 360.0) * 10));
    bool underlined = false;
    std::wstring text = Shown(e.text, underlined);
    Selected font(dc, fonts.Get(static_cast<int>(std::min(height, 2000.0)), tenths, blinking, underlined));
    if (blinking && tenths == 0) {
        SIZE extent{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
        RECT back = {anchor.x - 2, anchor.y - extent.cy, anchor.x + extent.cx + 2, anchor.y + extent.cy / 4 + 1};
        OwnedGdi<HBRUSH> highlight(CreateSolidBrush(RGB(255, 236, 150)));
        FillRect(dc, &back, highlight.Get());
    }
    SetTextColor(dc, blinking ? RGB(200, 0, 0) : RGB(0, 0, 0));
    TextOutW(dc, anchor.x, anchor.y, text.c_str(), static_cast<int>(text.size()));
}

void PaintShape(HDC dc, const Element& e, const Viewport& viewport)
{
    POINT anchor = viewport.ToPixel(e.x, e.y);
    switch (ShapeOf(e)) {
    case Shape::None:
        MoveToEx(dc, anchor.x - 2, anchor.y, nullptr);
        LineTo(dc, anchor.x + 3, anchor.y);
        MoveToEx(dc, anchor.x, anchor.y - 2, nullptr);
        LineTo(dc, anchor.x, anchor.y + 3);
        break;
    case Shape::Circle: {
        int r = Pixel(e.detail->values[0] * viewport.scale);
        Selected brush(dc, GetStockObject(NULL_BRUSH));
        Ellipse(dc, anchor.x - r, anchor.y - r, anchor.x + r + 1, anchor.y + r + 1);
        break;
    }
    default: {
        std::vector<POINT> points = PixelPoints(e, viewport);
        Polyline(dc, points.data(), static_cast<int>(points.size()));
        break;
    }
    }
}

// A line of text in pieces of their own colour and face, on a background (or on what is there).
struct Piece {
    std::wstring text;
    COLORREF color;
    HFONT font;
};

void PaintPieces(HDC dc, int x, int y, const std::vector<Piece>& pieces, COLORREF back)
{
    int width = 0;
    int height = 0;
    for (const Piece& piece : pieces) {
        Selected font(dc, piece.font);
        SIZE extent{};
        GetTextExtentPoint32W(dc, piece.text.c_str(), static_cast<int>(piece.text.size()), &extent);
        width += extent.cx;
        height = std::max<int>(height, extent.cy);
    }
    if (back != CLR_INVALID) {
        RECT box = {x - 3, y - 1, x + width + 3, y + height + 1};
        OwnedGdi<HBRUSH> brush(CreateSolidBrush(back));
        FillRect(dc, &box, brush.Get());
    }
    for (const Piece& piece : pieces) {
        Selected font(dc, piece.font);
        SetTextColor(dc, piece.color);
        TextOutW(dc, x, y, piece.text.c_str(), static_cast<int>(piece.text.size()));
        SIZE extent{};
        GetTextExtentPoint32W(dc, piece.text.c_str(), static_cast<int>(piece.text.size()), &extent);
        x += extent.cx;
    }
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

bool View::IsBlinking(std::int32_t segmentId) const
{
    return std::any_of(blinking_.begin(), blinking_.end(),
                       [&](const BlinkEntry& entry) { return entry.segmentId == segmentId; });
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

void View::Paint(HDC dc, const RECT& area, bool live) const
{
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    Viewport viewport = ViewportFor(area);
    BoundingBox visible = viewport.Visible();
    Fonts fonts;
    OwnedGdi<HPEN> linePen(CreatePen(PS_SOLID, 1, RGB(90, 90, 90)));
    OwnedGdi<HPEN> blinkPen(CreatePen(PS_SOLID, 2, RGB(220, 0, 0)));
    OwnedGdi<HPEN> textPen(CreatePen(PS_SOLID, 1, RGB(120, 120, 120)));
    Selected pen(dc, linePen.Get());
    SetBkMode(dc, TRANSPARENT);
    SetTextAlign(dc, TA_BASELINE | TA_LEFT);
    bool blinkShown = !live || blinkPhase_;
    for (const Segment& s : drawing_.Segments()) {
        if (s.deleted)
            continue;
        bool blinking = blinkShown && IsBlinking(s.id);
        for (const Element& e : s.elements) {
            if (!Overlaps(BoxOf(e), visible))
                continue;
            if (e.IsAnnotation()) {
                SelectObject(dc, blinking ? blinkPen.Get() : textPen.Get());
                PaintText(dc, e, viewport, blinking, fonts);
            } else {
                SelectObject(dc, blinking ? blinkPen.Get() : linePen.Get());
                PaintShape(dc, e, viewport);
            }
            // The match the plug-in zoomed to, boxed.
            if (blinking && zoomedByPlugin_ && e.IsAnnotation() && std::fabs(e.x - viewport.cx) < 1e-6 &&
                std::fabs(e.y - viewport.cy) < 1e-6) {
                POINT at = viewport.ToPixel(e.x, e.y);
                int size = std::max(12, Pixel(TextHeight(e) * viewport.scale));
                SelectObject(dc, blinkPen.Get());
                Selected brush(dc, GetStockObject(NULL_BRUSH));
                Rectangle(dc, at.x - 6, at.y - size - 4, at.x + Pixel(TextWidth(e, size)) + 6, at.y + 6);
            }
        }
    }
    SetTextAlign(dc, TA_TOP | TA_LEFT);

    if (input_.echo && pointer_) {
        OwnedGdi<HPEN> bandPen(CreatePen(PS_SOLID, 1, RubberBandColor));
        Selected band(dc, bandPen.Get());
        Selected brush(dc, GetStockObject(NULL_BRUSH));
        POINT a = viewport.ToPixel(input_.echo->x, input_.echo->y);
        POINT b = viewport.ToPixel(pointer_->x, pointer_->y);
        Rectangle(dc, std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x) + 1, std::max(a.y, b.y) + 1);
    }

    // The lines the host shows. The cursor word's arrows are set in a face that draws them well.
    HFONT hangul = fonts.Get(13, 0, false);
    HFONT symbols = fonts.Get(13, 0, false, false, L"DejaVu Sans");
    auto isHangul = [](wchar_t c) { return (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0x3130 && c <= 0x318F); };
    HFONT cursorFace = std::any_of(lines_.cursor.begin(), lines_.cursor.end(), isHangul) ? hangul : symbols;
    std::vector<Piece> prompt = {{lines_.prompt, RGB(0, 0, 120), hangul}};
    if (!lines_.cursor.empty())
        prompt.push_back({L" [" + lines_.cursor + L"]", RGB(0, 0, 120), cursorFace});
    if (live && pointer_ && !lines_.prompt.empty()) {
        POINT at = viewport.ToPixel(pointer_->x, pointer_->y);
        PaintPieces(dc, at.x + 16, at.y + 16, prompt, RGB(255, 255, 225));
    }
    RECT bar = {area.left, area.bottom - StatusHeight, area.right, area.bottom};
    FillRect(dc, &bar, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
    std::vector<Piece> status;
    if (!(live && pointer_))
        status = prompt;
    status.push_back({L"   " + lines_.info, RGB(0, 0, 120), hangul});
    status.push_back({L"   " + lines_.error, RGB(200, 0, 0), hangul});
    status.push_back({L"  " + lines_.host, RGB(200, 0, 0), hangul});
    PaintPieces(dc, bar.left + 4, bar.top + 4, status, CLR_INVALID);
}

}  // namespace zelhost
