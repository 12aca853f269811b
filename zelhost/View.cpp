#include "View.h"

#include "Owned.h"

#include <algorithm>
#include <cmath>

namespace zelhost {

void View::Reset()
{
    zoom_.reset();
    blinking_.clear();
    lines_ = StatusLines{};
    Changed();
}

void View::Zoom(const BoundingBox& box)
{
    zoom_ = box;
    Changed();
}

void View::ClearBlink()
{
    blinking_.clear();
    Changed();
}

void View::EndPass()
{
    lines_.prompt.clear();
    lines_.cursor.clear();
    lines_.info.clear();
    blinking_.clear();
    Changed();
}

void View::Changed() const
{
    if (window_)
        InvalidateRect(window_, nullptr, FALSE);
}

bool View::Blinking(std::int32_t segmentId) const
{
    return std::any_of(blinking_.begin(), blinking_.end(),
                       [&](const BlinkEntry& entry) { return entry.segmentId == segmentId; });
}

BoundingBox View::ShownBox() const
{
    if (zoom_)
        return *zoom_;
    BoundingBox box{0, 0, 1, 1};
    bool first = true;
    for (const Segment& s : drawing_.Segments()) {
        if (s.deleted)
            continue;
        for (const Element& e : s.elements) {
            if (first) {
                box = BoundingBox{e.x, e.y, e.x, e.y};
                first = false;
            }
            box.xmin = std::min(box.xmin, e.x);
            box.ymin = std::min(box.ymin, e.y);
            box.xmax = std::max(box.xmax, e.x);
            box.ymax = std::max(box.ymax, e.y);
        }
    }
    return box;
}

namespace {

OwnedGdi<HFONT> Font(int height, int weight)
{
    return OwnedGdi<HFONT>(
        CreateFontW(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, HANGUL_CHARSET, 0, 0, 0, 0, L"NanumGothic"));
}

}  // namespace

// Annotations as their text at their points, other elements as small crosses, the blinking
// matches in red on a highlight, the current match boxed, and the prompt and info lines on top.
void View::Paint(HDC dc, const RECT& area) const
{
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    BoundingBox box = ShownBox();
    double width = std::max(box.xmax - box.xmin, 1e-9);
    double height = std::max(box.ymax - box.ymin, 1e-9);
    double scale = std::min((area.right - area.left - 20) / width, (area.bottom - area.top - 20) / height);
    double cx = (box.xmin + box.xmax) / 2;
    double cy = (box.ymin + box.ymax) / 2;
    auto toX = [&](double x) {
        return static_cast<int>(std::lround((area.left + area.right) / 2.0 + (x - cx) * scale));
    };
    auto toY = [&](double y) {
        return static_cast<int>(std::lround((area.top + area.bottom) / 2.0 - (y - cy) * scale));
    };

    // Annotations are 250 drawing units high, as on paper, within what stays readable.
    int textHeight = static_cast<int>(std::clamp(250 * scale, 9.0, 16.0));
    OwnedGdi<HFONT> font = Font(textHeight, FW_NORMAL);
    OwnedGdi<HFONT> bold = Font(textHeight, FW_BOLD);
    OwnedGdi<HFONT> barFont = Font(13, FW_NORMAL);
    OwnedGdi<HPEN> gridPen(CreatePen(PS_SOLID, 1, RGB(170, 170, 170)));
    OwnedGdi<HPEN> markPen(CreatePen(PS_SOLID, 2, RGB(220, 0, 0)));
    OwnedGdi<HBRUSH> highlight(CreateSolidBrush(RGB(255, 236, 150)));
    Selected fontSelected(dc, font.Get());
    SetBkMode(dc, TRANSPARENT);
    for (const Segment& s : drawing_.Segments()) {
        if (s.deleted)
            continue;
        bool blinking = Blinking(s.id);
        for (const Element& e : s.elements) {
            int x = toX(e.x);
            int y = toY(e.y);
            if (x < area.left - 400 || x > area.right + 400 || y < area.top - 40 || y > area.bottom + 40)
                continue;
            if (!e.IsAnnotation()) {
                Selected pen(dc, gridPen.Get());
                MoveToEx(dc, x - 2, y, nullptr);
                LineTo(dc, x + 3, y);
                MoveToEx(dc, x, y - 2, nullptr);
                LineTo(dc, x, y + 3);
                continue;
            }
            SelectObject(dc, blinking ? bold.Get() : font.Get());
            SIZE extent{};
            GetTextExtentPoint32W(dc, e.text.c_str(), static_cast<int>(e.text.size()), &extent);
            if (blinking) {
                RECT back = {x - 2, y - extent.cy - 1, x + extent.cx + 2, y + 1};
                FillRect(dc, &back, highlight.Get());
            }
            SetTextColor(dc, blinking ? RGB(200, 0, 0) : RGB(0, 0, 0));
            TextOutW(dc, x, y - extent.cy, e.text.c_str(), static_cast<int>(e.text.size()));
            bool current = blinking && zoom_ && std::fabs(e.x - cx) < 1e-6 && std::fabs(e.y - cy) < 1e-6;
            if (current) {
                Selected pen(dc, markPen.Get());
                Selected brush(dc, GetStockObject(NULL_BRUSH));
                Rectangle(dc, x - 6, y - extent.cy - 6, x + extent.cx + 6, y + 6);
            }
        }
    }
    SelectObject(dc, barFont.Get());
    RECT bar = {area.left, area.top, area.right, area.top + 20};
    FillRect(dc, &bar, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
    SetTextColor(dc, RGB(0, 0, 160));
    std::wstring status = lines_.prompt + L"   " + lines_.info;
    TextOutW(dc, area.left + 4, area.top + 3, status.c_str(), static_cast<int>(status.size()));
}

}  // namespace zelhost
