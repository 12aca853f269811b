// The drawing the view's benchmarks show: a floor plan of lines, closed polylines, circles, arcs
// and annotations in turn, on a square grid of cells 25 by 40 drawing units, each annotation 3
// units high, so that the whole plan fitted into a window shows most of them smaller than a
// pixel, as a large plan does. As the stand-in host reads it (README: drawing files).
#pragma once

#include <cmath>
#include <cstdio>
#include <string>

namespace plan {

constexpr double CellWidth = 25;
constexpr double CellHeight = 40;

// The grid's columns for a plan of `elements`: about as wide as it is high.
inline int Columns(int elements) { return static_cast<int>(std::lround(std::sqrt(elements * CellHeight / CellWidth))); }

// Element i + 1 is segment i + 1. With `kinds` 5 the element kinds take turns, every fifth
// element (i a multiple of 5) an annotation; with `kinds` 1 every element is one. Every
// `matchEvery`-th annotation holds `match` (UTF-8), the others a room's name and number.
inline std::string Json(int elements, int kinds = 5, int matchEvery = 0, const std::string& match = "")
{
    int columns = Columns(elements);
    std::string json = "{\"segments\":[";
    json.reserve(static_cast<size_t>(elements) * 110);
    char line[256];
    for (int i = 0; i < elements; ++i) {
        double x = (i % columns) * CellWidth;
        double y = (i / columns) * CellHeight;
        std::snprintf(line, sizeof line,
                      "%s\n{\"id\":%d,\"qualifier\":0,\"elements\":[{\"id\":%d,\"type\":%d,\"x\":%.10g,\"y\":%.10g",
                      i ? "," : "", i + 1, i + 1, i % kinds == 0 ? 33 : 1 + i % 4, x, y);
        json += line;
        switch (i % kinds) {
        case 0:
            if (matchEvery > 0 && (i / kinds) % matchEvery == 0)
                json += ",\"text\":\"" + match + "\"";
            else
                json += ",\"text\":\"침실 " + std::to_string(i) + "\"";
            json += ",\"height\":3";
            break;
        case 1:
            std::snprintf(line, sizeof line, ",\"line\":[%.10g,%.10g,%.10g,%.10g]", x, y, x + 20, y);
            json += line;
            break;
        case 2:
            std::snprintf(line, sizeof line,
                          ",\"polyline\":[%.10g,%.10g,%.10g,%.10g,%.10g,%.10g,%.10g,%.10g],\"closed\":true", x, y,
                          x + 10, y, x + 10, y + 10, x, y + 10);
            json += line;
            break;
        case 3:
            json += ",\"circle\":4";
            break;
        default:
            json += ",\"arc\":[6,0,90]";
            break;
        }
        json += "}]}";
    }
    return json + "\n]}\n";
}

}  // namespace plan
