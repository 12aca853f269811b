// The drawing model: its segments and elements found by id, and the saves (DrawingReader.cpp
// reads it).
#include "zelhost/Drawing.h"

#include "zelhost/Files.h"
#include "zelhost/Utf8.h"

#include <windows.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>

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

constexpr double Pi = 3.14159265358979323846;
// An annotation without a height of its own is drawn this many drawing units high.
constexpr double DefaultTextHeight = 250;

// The box of every element of a segment; none for a segment without elements.
std::optional<BoundingBox> SegmentBox(const Segment& segment)
{
    if (segment.elements.empty())
        return std::nullopt;
    BoundingBox box = BoxOf(segment.elements[0]);
    for (size_t i = 1; i < segment.elements.size(); ++i)
        Include(box, BoxOf(segment.elements[i]));
    return box;
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

double TextHeight(const Element& e) { return e.detail && e.detail->height > 0 ? e.detail->height : DefaultTextHeight; }
double TextRotation(const Element& e) { return e.detail ? e.detail->rotation : 0; }

double TextWidth(const Element& e, double height)
{
    double width = 0;
    for (wchar_t c : e.text)
        width += c >= 0x1100 ? height : 0.6 * height;
    return width;
}

BoundingBox BoxOf(const Element& e)
{
    BoundingBox box{e.x, e.y, e.x, e.y};
    if (e.IsAnnotation()) {
        double height = TextHeight(e);
        double along[2] = {-height, TextWidth(e, height) + height};
        double up[2] = {-height, 2 * height};
        double angle = TextRotation(e) * Pi / 180;
        double c = std::cos(angle);
        double s = std::sin(angle);
        for (double a : along)
            for (double u : up)
                Include(box, e.x + a * c - u * s, e.y + a * s + u * c);
        return box;
    }
    const std::vector<double>* values = e.detail ? &e.detail->values : nullptr;
    switch (e.detail ? e.detail->shape : Shape::None) {
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
    if (index_)
        if (std::optional<BoundingBox> box = SegmentBox(segments_.back()))
            index_->Set(index, *box);
    extents_.reset();
}

bool Drawing::SetText(std::int32_t elementId, std::wstring text)
{
    auto it = elementIndex_.find(elementId);
    if (it == elementIndex_.end())
        return false;
    Segment& segment = segments_[it->second.segment];
    Element& element = segment.elements[it->second.element];
    if (segment.deleted || !element.IsAnnotation())
        return false;
    element.text = std::move(text);
    // An annotation counts in the extents by its anchor alone, which stays.
    if (index_)
        index_->Set(it->second.segment, *SegmentBox(segment));
    return true;
}

bool Drawing::DeleteSegment(std::int32_t segmentId)
{
    auto it = segmentIndex_.find(segmentId);
    if (it == segmentIndex_.end() || segments_[it->second].deleted)
        return false;
    segments_[it->second].deleted = true;
    if (index_)
        index_->Remove(it->second);
    extents_.reset();
    return true;
}

std::int32_t Drawing::UnusedSegmentId() const { return UnusedId(segmentIndex_); }
std::int32_t Drawing::UnusedElementId() const { return UnusedId(elementIndex_); }

const Segment* Drawing::FindSegment(std::int32_t id) const
{
    auto it = segmentIndex_.find(id);
    if (it == segmentIndex_.end() || segments_[it->second].deleted)
        return nullptr;
    return &segments_[it->second];
}

const Element* Drawing::FindElement(std::int32_t id, std::int32_t* segmentId) const
{
    auto it = elementIndex_.find(id);
    if (it == elementIndex_.end())
        return nullptr;
    const Segment& segment = segments_[it->second.segment];
    if (segment.deleted)
        return nullptr;
    if (segmentId)
        *segmentId = segment.id;
    return &segment.elements[it->second.element];
}

const DrawingIndex& Drawing::Index() const
{
    if (!index_) {
        std::vector<DrawingIndex::Entry> entries;
        entries.reserve(segments_.size());
        for (std::uint32_t i = 0; i < segments_.size(); ++i)
            if (!segments_[i].deleted)
                if (std::optional<BoundingBox> box = SegmentBox(segments_[i]))
                    entries.push_back(DrawingIndex::Entry{i, *box});
        index_.emplace(std::move(entries));
    }
    return *index_;
}

BoundingBox Drawing::Extents() const
{
    if (extents_)
        return *extents_;
    std::optional<BoundingBox> all;
    for (const Segment& s : segments_) {
        if (s.deleted)
            continue;
        for (const Element& e : s.elements) {
            BoundingBox covered = e.IsAnnotation() ? BoundingBox{e.x, e.y, e.x, e.y} : BoxOf(e);
            if (all)
                Include(*all, covered);
            else
                all = covered;
        }
    }
    extents_ = all.value_or(BoundingBox{0, 0, 1, 1});
    return *extents_;
}

}  // namespace zelhost
