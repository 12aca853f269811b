// The host window's repaint of a drawing of 100,000 elements (lines, polylines, circles, arcs
// and annotations spread over a plan of 10 km), fitted whole and zoomed in on a room, and there
// again with as many matches blinking as the command can hold: the median time of painting the
// view into a bitmap of the window's size.
#include "base/UniqueHandle.h"
#include "zelhost/View.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace zelhost;

namespace {

Drawing Plan()
{
    Drawing drawing;
    for (int i = 0; i < 100000; ++i) {
        double x = (i % 400) * 25.0, y = (i / 400) * 40.0;
        Element element{i + 1, 1 + i % 4, x, y, L"", nullptr};
        auto detail = std::make_unique<ElementDetail>();
        switch (i % 5) {
        case 0:
            element.type = 33;
            element.text = L"침실 " + std::to_wstring(i);
            detail->height = 3;
            break;
        case 1:
            detail->shape = Shape::Line;
            detail->values = {x, y, x + 20, y};
            break;
        case 2:
            detail->shape = Shape::Polyline;
            detail->closed = true;
            detail->values = {x, y, x + 10, y, x + 10, y + 10, x, y + 10};
            break;
        case 3:
            detail->shape = Shape::Circle;
            detail->values = {4};
            break;
        default:
            detail->shape = Shape::Arc;
            detail->values = {6, 0, 90};
            break;
        }
        element.detail = std::move(detail);
        Segment segment;
        segment.id = i + 1;
        segment.elements.push_back(std::move(element));
        drawing.AddSegment(std::move(segment));
    }
    return drawing;
}

double MedianMilliseconds(const View& view, HDC dc, const RECT& area)
{
    std::vector<double> times;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    for (int i = 0; i < 9; ++i) {
        QueryPerformanceCounter(&start);
        view.Paint(dc, area, true);
        QueryPerformanceCounter(&end);
        times.push_back(1e3 * static_cast<double>(end.QuadPart - start.QuadPart) /
                        static_cast<double>(frequency.QuadPart));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main()
{
    Drawing drawing = Plan();
    View view(drawing);
    RECT area = {0, 0, 1200, 800};
    UniqueWindowDc screen(GetDC(nullptr), ReleaseWindowDc{nullptr});
    UniqueMemoryDc dc(CreateCompatibleDC(screen.Get()));
    UniqueGdi<HBITMAP> bitmap(CreateCompatibleBitmap(screen.Get(), area.right, area.bottom));
    Selected selected(dc.Get(), bitmap.Get());
    std::printf("view repaint, 100000 elements fitted whole: %.1f ms\n", MedianMilliseconds(view, dc.Get(), area));
    view.Zoom(BoundingBox{1000, 1000, 1200, 1130});
    std::printf("view repaint, zoomed in on a room: %.1f ms\n", MedianMilliseconds(view, dc.Get(), area));
    // 1,000 annotations in the rows about the room blinking, a few of them in it.
    for (int i = 20 * 400, n = 0; n < 1000; i += 5, ++n)
        view.AddBlink(BlinkEntry{0, i + 1});
    std::printf("view repaint, zoomed in on a room, 1000 matches blinking: %.1f ms\n",
                MedianMilliseconds(view, dc.Get(), area));
    return 0;
}
