// The drawing model: its segments and elements found by id, and the saves (DrawingReader.cpp
// reads it).
#include "zelhost/Drawing.h"

#include "zelhost/Files.h"
#include "zelhost/Utf8.h"

#include <windows.h>

#include <nlohmann/json.hpp>

#include <algorithm>

namespace zelhost {

namespace {

using nlohmann::json;

// The JSON text of a value, as the library writes it (shortest round trip for numbers).
std::string Dumped(const json& value) { return value.dump(-1, ' ', false, json::error_handler_t::strict); }

std::string NumberList(const std::vector<double>& values)
{
    std::string out = "[";
    for (size_t i = 0; i < values.size(); ++i)
        out += (i ? "," : "") + Dumped(values[i]);
    return out + "]";
}

std::string ElementJson(const Element& e)
{
    std::string out = "{\"id\":" + std::to_string(e.id) + ",\"type\":" + std::to_string(e.type) +
                      ",\"x\":" + Dumped(e.x) + ",\"y\":" + Dumped(e.y);
    if (e.IsAnnotation())
        out += ",\"text\":" + Dumped(Utf8FromWide(e.text));
    if (const ElementDetail* d = e.detail.get()) {
        if (d->height != 0)
            out += ",\"height\":" + Dumped(d->height);
        if (d->rotation != 0)
            out += ",\"rotation\":" + Dumped(d->rotation);
        switch (d->shape) {
        case Shape::Line:
            out += ",\"line\":" + NumberList(d->values);
            break;
        case Shape::Polyline:
            out += ",\"polyline\":" + NumberList(d->values) + (d->closed ? ",\"closed\":true" : "");
            break;
        case Shape::Circle:
            out += ",\"circle\":" + Dumped(d->values[0]);
            break;
        case Shape::Arc:
            out += ",\"arc\":" + NumberList(d->values);
            break;
        case Shape::None:
            break;
        }
        if (!d->handle.empty())
            out += ",\"handle\":" + Dumped(d->handle);
    }
    return out + "}";
}

// Hands the saved drawing to `write` a segment at a time.
template <class Write>
void WriteJson(const std::vector<Segment>& segments, Write write)
{
    write("{\"segments\":[");
    bool first = true;
    std::string line;
    for (const Segment& segment : segments) {
        if (segment.deleted)
            continue;
        line = first ? "\n" : ",\n";
        line += "{\"id\":" + std::to_string(segment.id) + ",\"qualifier\":" + std::to_string(segment.qualifier) +
                ",\"elements\":[";
        for (size_t i = 0; i < segment.elements.size(); ++i)
            line += (i ? "," : "") + ElementJson(segment.elements[i]);
        line += "]}";
        write(line);
        first = false;
    }
    write("\n]}\n");
}

template <class Index>
std::int32_t UnusedId(const Index& index)
{
    std::int32_t largest = 0;
    for (const auto& entry : index)
        largest = std::max(largest, entry.first);
    if (largest < INT32_MAX)
        return largest + 1;
    std::int32_t id = 1;
    while (index.count(id))
        ++id;
    return id;
}

}  // namespace

std::string Drawing::SaveJson() const
{
    std::string out;
    WriteJson(segments_, [&](const std::string& part) { out += part; });
    return out;
}

void Drawing::SaveFile(const std::wstring& path) const
{
    SafeWrite(path, [&](HANDLE file) {
        bool ok = true;
        WriteJson(segments_, [&](const std::string& part) { ok = ok && WriteAll(file, part); });
        return ok;
    });
}

void Drawing::AddSegment(Segment segment)
{
    if (segmentIndex_.count(segment.id))
        throw DrawingError("duplicate segment id " + std::to_string(segment.id));
    auto index = static_cast<std::uint32_t>(segments_.size());
    for (std::uint32_t i = 0; i < segment.elements.size(); ++i) {
        std::int32_t id = segment.elements[i].id;
        if (!elementIndex_.emplace(id, Location{index, i}).second) {
            for (std::uint32_t j = 0; j < i; ++j)
                elementIndex_.erase(segment.elements[j].id);
            throw DrawingError("duplicate element id " + std::to_string(id));
        }
    }
    segmentIndex_.emplace(segment.id, index);
    segments_.push_back(std::move(segment));
}

std::int32_t Drawing::UnusedSegmentId() const { return UnusedId(segmentIndex_); }
std::int32_t Drawing::UnusedElementId() const { return UnusedId(elementIndex_); }

Segment* Drawing::FindSegment(std::int32_t id)
{
    auto it = segmentIndex_.find(id);
    if (it == segmentIndex_.end() || segments_[it->second].deleted)
        return nullptr;
    return &segments_[it->second];
}

Element* Drawing::FindElement(std::int32_t id, std::int32_t* segmentId)
{
    auto it = elementIndex_.find(id);
    if (it == elementIndex_.end())
        return nullptr;
    Segment& segment = segments_[it->second.segment];
    if (segment.deleted)
        return nullptr;
    if (segmentId)
        *segmentId = segment.id;
    return &segment.elements[it->second.element];
}

}  // namespace zelhost
