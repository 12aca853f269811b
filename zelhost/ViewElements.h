// The elements as the view shows them: what each covers in the drawing, how far a click is from
// it, and how it is painted, a match marked alike at any angle (its text red on the match
// colour, over the text's own rectangle turned with it) and the current match boxed the same way.
#pragma once

#include "base/UniqueHandle.h"
#include "zelhost/Drawing.h"
#include "zelhost/View.h"

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <tuple>

namespace zelhost {

// How far, in pixels, a click at `p` is from what the element shows.
double Distance(const Element& e, POINT p, const Viewport& viewport);

// How far, in pixels, the painting of an element may reach past the box it covers: the current
// match's box around its text.
constexpr int PaintReach = 8;
// Whether what covers `box` is smaller than about a pixel in the viewport, and so shows as a dot.
bool IsDot(const BoundingBox& box, const Viewport& viewport);

// The dots of one painting: a layer of the viewport's area, white but for a pixel at each dot,
// laid under everything else as a whole.
class Dots {
public:
    explicit Dots(const Viewport& viewport) : viewport_(viewport) {}
    void Add(const BoundingBox& box);  // a dot at the box's centre
    void PaintOn(HDC dc) const;        // nothing when there is no dot

private:
    const Viewport& viewport_;
    UniqueGdi<HBITMAP> layer_;
    std::uint32_t* pixels_ = nullptr;  // top-down rows, 0x00RRGGBB
};

// A font `height` pixels high, turned by `tenthsOfDegree`: the host's face unless another is named.
HFONT CreateFace(int height, int tenthsOfDegree = 0, bool bold = false, bool underlined = false,
                 const wchar_t* face = HostFace);

// The fonts of one painting, by pixel height, angle and face.
class Fonts {
public:
    HFONT Get(int height, int tenthsOfDegree, bool bold, bool underlined = false, const wchar_t* face = HostFace);

private:
    std::map<std::tuple<int, int, bool, bool, std::wstring>, UniqueGdi<HFONT>> fonts_;
};

enum class Mark { None, Match, CurrentMatch };

// Paints elements on one DC through one viewport, with the pens and brushes of that painting.
class ElementPainter {
public:
    ElementPainter(HDC dc, const Viewport& viewport, Fonts& fonts);
    void Paint(const Element& e, Mark mark);

private:
    void PaintText(const Element& e, Mark mark);
    void PaintShape(const Element& e);

    HDC dc_;
    const Viewport& viewport_;
    Fonts& fonts_;
    UniqueGdi<HPEN> linePen_;
    UniqueGdi<HPEN> textPen_;
    UniqueGdi<HPEN> matchPen_;
    UniqueGdi<HBRUSH> matchBrush_;
    Selected pen_;
};

}  // namespace zelhost
