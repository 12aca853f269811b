// The drawing's index, which the view asks for what it shows: after any edits it finds exactly the
// segments a look at every segment finds, each once, with a box that holds all of it.
#include "zelhost/Drawing.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

using zelhost::Drawing;
using zelhost::Segment;

Segment Annotation(std::int32_t id, double x, double y, const std::wstring& text)
{
    Segment segment;
    segment.id = id;
    segment.elements.push_back(zelhost::Element{id, zelhost::AnnotationType, x, y, text, nullptr});
    return segment;
}

Segment Line(std::int32_t id, double x1, double y1, double x2, double y2)
{
    auto detail = std::make_unique<zelhost::ElementDetail>();
    detail->shape = zelhost::Shape::Line;
    detail->values = {x1, y1, x2, y2};
    Segment segment;
    segment.id = id;
    segment.elements.push_back(zelhost::Element{id, 1, x1, y1, L"", std::move(detail)});
    return segment;
}

// What the index answers for `box` against what a look at every live segment finds: the ids
// found, or a line on what went wrong.
std::string Differences(const Drawing& drawing, const BoundingBox& box)
{
    std::map<std::int32_t, int> found;
    std::string wrong;
    drawing.VisitSegmentsIn(box, [&](const Segment& s, const BoundingBox& covered) {
        ++found[s.id];
        for (const zelhost::Element& e : s.elements)
            if (!zelhost::Contains(covered, zelhost::BoxOf(e)))
                wrong += " segment " + std::to_string(s.id) + " reaches past its box;";
    });
    for (const Segment& s : drawing.Segments()) {
        bool seen = false;
        for (const zelhost::Element& e : s.elements)
            seen = seen || zelhost::Overlaps(zelhost::BoxOf(e), box);
        seen = seen && !s.deleted;
        int times = found.count(s.id) ? found[s.id] : 0;
        if (times != (seen ? 1 : 0))
            wrong += " segment " + std::to_string(s.id) + " found " + std::to_string(times) + " times;";
    }
    return wrong;
}

// Every sequence of up to four edits, on a drawing whose index was built before the first: texts
// that grow out of their place and shrink back, deletions, and segments the host adds.
TEST(DrawingIndex, FindsWhatEverySegmentShowsAfterEverySequenceOfEdits)
{
    const std::vector<std::pair<const char*, std::function<void(Drawing&)>>> edits = {
        {"grow 1", [](Drawing& d) { d.SetText(1, std::wstring(24, L'a')); }},
        {"shrink 1", [](Drawing& d) { d.SetText(1, L"a"); }},
        {"grow 2", [](Drawing& d) { d.SetText(2, L"먼 곳까지 닿는 주기"); }},
        {"delete 1", [](Drawing& d) { d.DeleteSegment(1); }},
        {"delete 3", [](Drawing& d) { d.DeleteSegment(3); }},
        {"add 5", [](Drawing& d) { d.AddSegment(Annotation(5, 50, 0, L"새")); }},
        {"add 6", [](Drawing& d) { d.AddSegment(Line(6, 45, -3, 55, 3)); }},
        {"delete 5", [](Drawing& d) { d.DeleteSegment(5); }},
    };
    const std::vector<BoundingBox> looks = {
        {-1e4, -1e4, 1e4, 1e4}, {-5, -5, 5, 5}, {3000, -5, 3100, 5}, {40, 140, 60, 160}, {1e5, 1e5, 2e5, 2e5}};
    auto run = [&](const std::vector<size_t>& sequence) {
        Drawing drawing;
        drawing.AddSegment(Annotation(1, 0, 0, L"a"));
        drawing.AddSegment(Annotation(2, 100, 0, L"b"));
        drawing.AddSegment(Line(3, 0, 150, 300, 150));
        Segment pair = Annotation(4, 200, 200, L"c");
        pair.elements.push_back(zelhost::Element{40, 3, 2000, 2000, L"", nullptr});
        drawing.AddSegment(std::move(pair));
        drawing.VisitSegmentsIn(looks[0], [](const Segment&, const BoundingBox&) {});
        std::string done;
        for (size_t edit : sequence) {
            done += std::string(edits[edit].first) + ", ";
            try {
                edits[edit].second(drawing);
            } catch (const zelhost::DrawingError&) {}  // a segment added twice
            for (const BoundingBox& look : looks) {
                std::string wrong = Differences(drawing, look);
                if (!wrong.empty()) {
                    ADD_FAILURE() << "after " << done << "looking at " << look.xmin << " " << look.ymin << " "
                                  << look.xmax << " " << look.ymax << ":" << wrong;
                    return false;
                }
            }
        }
        return true;
    };
    std::function<bool(std::vector<size_t>&)> every = [&](std::vector<size_t>& sequence) {
        if (!run(sequence))
            return false;
        if (sequence.size() == 4)
            return true;
        for (size_t edit = 0; edit < edits.size(); ++edit) {
            sequence.push_back(edit);
            bool passed = every(sequence);
            sequence.pop_back();
            if (!passed)
                return false;
        }
        return true;
    };
    std::vector<size_t> sequence;
    every(sequence);
}

// Enough texts grow out of their places for the index to be built anew while edits go on.
TEST(DrawingIndex, StaysWholeThroughARebuildAmidEdits)
{
    Drawing drawing;
    for (int i = 1; i <= 3000; ++i)
        drawing.AddSegment(Annotation(i, (i % 60) * 1000.0, (i / 60) * 1000.0, L"a"));
    const BoundingBox whole{-1e6, -1e6, 1e6, 1e6};
    const BoundingBox beyond{61000, -1e6, 62000, 1e6};  // past the last column: grown texts alone reach it
    EXPECT_EQ(Differences(drawing, beyond), "");
    for (int i = 1; i <= 3000; ++i) {
        if (i % 3 == 0)
            drawing.DeleteSegment(i);
        else
            drawing.SetText(i, std::wstring(40, L'가'));
        if (i % 500 == 0)
            drawing.AddSegment(Annotation(10000 + i, 500, 5000, L"new"));
    }
    EXPECT_EQ(Differences(drawing, whole), "");
    EXPECT_EQ(Differences(drawing, beyond), "");
}

}  // namespace
