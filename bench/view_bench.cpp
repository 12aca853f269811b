// The host window's repaint of a floor plan (bench/Plan.h) of 100,000 and of 1,000,000 elements:
// fitted whole, zoomed in on a room, and there again with as many matches blinking as the
// command can hold; the median time of painting the view into a bitmap of the window's size,
// and the time of the first painting, which builds the drawing's index.
#include "bench/BenchClock.h"
#include "bench/Plan.h"

#include "base/UniqueHandle.h"
#include "zelhost/View.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace zelhost;

namespace {

constexpr double WholeTargetMilliseconds = 50;

double MedianMilliseconds(const View& view, HDC dc, const RECT& area)
{
    std::vector<double> times;
    auto paint = [&] { view.Paint(dc, area, true); };
    for (int i = 0; i < 9; ++i)
        times.push_back(1e3 * Seconds(paint));
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The figures of one plan; the whole plan's median.
double Figures(int elements, HDC dc, const RECT& area)
{
    Drawing drawing;
    drawing.LoadJson(plan::Json(elements));
    View view(drawing);
    auto first = [&] { view.Paint(dc, area, true); };
    std::printf("view, %d elements: first repaint, the index built: %.1f ms\n", elements, 1e3 * Seconds(first));
    double whole = MedianMilliseconds(view, dc, area);
    std::printf("view, %d elements: repaint fitted whole: %.1f ms\n", elements, whole);
    // 1,000 annotations blinking all over the plan, as a search of the whole drawing leaves them.
    for (int i = 0, step = elements / 1000 / 5 * 5; i < 1000; ++i)
        view.AddBlink(BlinkEntry{0, i * step + 1});
    std::printf("view, %d elements: repaint fitted whole, 1000 matches blinking: %.1f ms\n", elements,
                MedianMilliseconds(view, dc, area));
    view.ClearBlink();
    view.Zoom(BoundingBox{1000, 1000, 1200, 1130});
    std::printf("view, %d elements: repaint zoomed in on a room: %.1f ms\n", elements,
                MedianMilliseconds(view, dc, area));
    // 1,000 annotations in the rows about the room blinking, a few of them in it.
    for (int i = 20 * plan::Columns(elements), n = 0; n < 1000; i += 5, ++n)
        view.AddBlink(BlinkEntry{0, i + 1});
    std::printf("view, %d elements: repaint zoomed in on a room, 1000 matches blinking: %.1f ms\n", elements,
                MedianMilliseconds(view, dc, area));
    return whole;
}

}  // namespace

int main()
{
    RECT area = {0, 0, 1200, 800};
    UniqueWindowDc screen(GetDC(nullptr), ReleaseWindowDc{nullptr});
    UniqueMemoryDc dc(CreateCompatibleDC(screen.Get()));
    UniqueGdi<HBITMAP> bitmap(CreateCompatibleBitmap(screen.Get(), area.right, area.bottom));
    Selected selected(dc.Get(), bitmap.Get());
    double whole = Figures(100000, dc.Get(), area);
    Figures(1000000, dc.Get(), area);
    std::printf("goal: the whole 100000-element plan repainted in %.1f ms (target at most %.0f ms: %.2f of it)\n",
                whole, WholeTargetMilliseconds, whole / WholeTargetMilliseconds);
    return 0;
}
