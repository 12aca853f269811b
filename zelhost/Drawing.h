// The stand-in host's drawing: segments, each an ordered list of elements, the first its head.
// Loaded (DrawingReader.cpp) from and saved to UTF-8 JSON (the README documents the format):
//   {"segments":[{"id":101,"qualifier":0,"elements":[
//       {"id":1001,"type":33,"x":10.5,"y":20,"text":"문"},{"id":1002,"type":1,"x":0,"y":0}]}]}
// Only what a real host could hold is accepted: 32-bit ids, unique; finite coordinates; texts
// on annotations alone, without NUL; each key once. Loading is all or nothing.
#pragma once

#include "zelhost/DrawingIndex.h"

#include <ZelLib.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

namespace zelhost {

constexpr std::int32_t AnnotationType = 33;

// A drawing that cannot be loaded or saved; the message names the place (segments[3].elements[0]).
struct DrawingError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// What an element draws in the view, beside its anchor point (x, y). The anchor stays what the
// host searches by; the view draws this.
enum class Shape : std::uint8_t {
    None,
    Line,      // values: x1 y1 x2 y2
    Polyline,  // values: x y, pairs; `closed` joins the last point to the first
    Circle,    // values: radius, about the anchor
    Arc,       // values: radius, start and end angle in degrees, counterclockwise, about the anchor
};

// The rarely present parts of an element, held apart so that a plain element stays small.
struct ElementDetail {
    Shape shape = Shape::None;
    bool closed = false;
    std::vector<double> values;
    double height = 0;    // an annotation's text height in drawing units; 0: the view's own
    double rotation = 0;  // an annotation's text angle in degrees, counterclockwise
    std::string handle;   // the entity of a DXF file the element came from
};

struct Element {
    std::int32_t id = 0;
    std::int32_t type = 0;
    double x = 0;
    double y = 0;
    std::wstring text;  // annotations only
    std::unique_ptr<ElementDetail> detail;

    bool IsAnnotation() const { return type == AnnotationType; }
};

struct Segment {
    std::int32_t id = 0;
    std::int32_t qualifier = 0;
    std::vector<Element> elements;
    bool deleted = false;
};

// An annotation's text height in drawing units, and the width its text takes at that height:
// wide characters about a square each, others about six tenths of one.
double TextHeight(const Element& e);
double TextWidth(const Element& e, double height);
double TextRotation(const Element& e);
// What an element covers in the drawing, its anchor included: a text the rectangle from a
// height before its start to a height past its end, and from a height below its baseline to
// twice its height above, turned with it.
BoundingBox BoxOf(const Element& e);

class Drawing {
public:
    // Throw DrawingError for anything a host could not hold; the drawing is unchanged then.
    void LoadJson(const std::string& utf8);
    void LoadFile(const std::wstring& path);
    // The drawing as saved: one segment a line, keys in the documented order; deleted segments
    // left out.
    std::string SaveJson() const;
    // Writes the whole drawing or nothing; throws DrawingError naming what failed.
    void SaveFile(const std::wstring& path) const;

    // The changes a drawing takes; each keeps what is derived from it current.
    void AddSegment(Segment segment);  // throws DrawingError on a duplicate segment or element id
    bool SetText(std::int32_t elementId, std::wstring text);  // false: no such annotation
    bool DeleteSegment(std::int32_t segmentId);               // false: no such segment
    // An id that no segment (element) of the drawing has had, deleted ones included: one above the
    // largest, or, where that would leave the 32-bit range, the smallest free one from 1.
    std::int32_t UnusedSegmentId() const;
    std::int32_t UnusedElementId() const;

    // Null for an id the drawing lacks or whose segment was deleted.
    const Segment* FindSegment(std::int32_t id) const;
    const Element* FindElement(std::int32_t id, std::int32_t* segmentId = nullptr) const;
    const std::vector<Segment>& Segments() const { return segments_; }

    // Calls visit(segment, box it covers) for every segment that is not deleted and covers part
    // of `box`, each once, in no particular order. The index it asks is built at the first call.
    template <class Visit>
    void VisitSegmentsIn(const BoundingBox& box, Visit&& visit) const
    {
        Index().Query(box,
                      [&](std::uint32_t position, const BoundingBox& covered) { visit(segments_[position], covered); });
    }
    // The box of everything the drawing shows (annotations by their anchor alone); 0 0 1 1 for
    // an empty drawing.
    BoundingBox Extents() const;

private:
    struct Location {
        std::uint32_t segment;
        std::uint32_t element;
    };
    const DrawingIndex& Index() const;

    std::vector<Segment> segments_;
    std::unordered_map<std::int32_t, std::uint32_t> segmentIndex_;
    std::unordered_map<std::int32_t, Location> elementIndex_;
    // Derived from the segments at first use, and kept current by the changes from then on.
    mutable std::optional<DrawingIndex> index_;
    mutable std::optional<BoundingBox> extents_;
};

}  // namespace zelhost
