// The stand-in host's drawing: segments, each an ordered list of elements. Loaded from and
// saved to UTF-8 JSON:
//   {"segments":[{"id":101,"qualifier":0,"elements":[
//       {"id":1001,"type":33,"x":10.5,"y":20,"text":"문"},{"id":1002,"type":1,"x":0,"y":0}]}]}
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace zelhost {

struct Element {
    std::int32_t id = 0;
    std::int32_t type = 0;
    double x = 0;
    double y = 0;
    std::wstring text;  // annotations (type 33) only
};

struct Segment {
    std::int32_t id = 0;
    std::int32_t qualifier = 0;
    std::vector<Element> elements;  // the first is the head element
    bool deleted = false;
};

struct ElementLocation {
    std::uint32_t segment;
    std::uint32_t element;
};

class Drawing {
public:
    // Throws std::runtime_error naming what is wrong (and where) for malformed input; the
    // drawing is unchanged then.
    void LoadJson(const std::string& utf8);
    std::string SaveJson() const;

    void AddSegment(Segment segment);  // throws on a duplicate segment or element id

    Segment* FindSegment(std::int32_t id);
    Element* FindElement(std::int32_t id, std::int32_t* segmentId = nullptr);
    std::vector<Segment>& Segments() { return segments_; }
    const std::vector<Segment>& Segments() const { return segments_; }

private:
    std::vector<Segment> segments_;
    std::unordered_map<std::int32_t, std::uint32_t> segmentIndex_;
    std::unordered_map<std::int32_t, ElementLocation> elementIndex_;
};

std::wstring WideFromUtf8(const std::string& utf8);
std::string Utf8FromWide(const std::wstring& wide);

}  // namespace zelhost
