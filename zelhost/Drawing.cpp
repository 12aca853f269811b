#include "Drawing.h"

#include <windows.h>

#include <nlohmann/json.hpp>
#include <stdexcept>

namespace zelhost {

std::wstring WideFromUtf8(const std::string& utf8)
{
    if (utf8.empty())
        return {};
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    if (n <= 0)
        throw std::runtime_error("text is not valid UTF-8");
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
    return wide;
}

std::string Utf8FromWide(const std::wstring& wide)
{
    if (wide.empty())
        return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), n, nullptr, nullptr);
    return utf8;
}

namespace {

using nlohmann::json;

std::int32_t RequireId(const json& object, const char* key, const std::string& where)
{
    auto it = object.find(key);
    if (it == object.end() || !it->is_number_integer())
        throw std::runtime_error(where + ": \"" + key + "\" must be an integer");
    auto value = it->get<std::int64_t>();
    if (value < INT32_MIN || value > INT32_MAX)
        throw std::runtime_error(where + ": \"" + key + "\" is out of the 32-bit range");
    return static_cast<std::int32_t>(value);
}

double RequireNumber(const json& object, const char* key, const std::string& where)
{
    auto it = object.find(key);
    if (it == object.end() || !it->is_number())
        throw std::runtime_error(where + ": \"" + key + "\" must be a number");
    return it->get<double>();
}

Segment ParseSegment(const json& s, const std::string& where)
{
    if (!s.is_object())
        throw std::runtime_error(where + " must be an object");
    Segment segment;
    segment.id = RequireId(s, "id", where);
    segment.qualifier = s.contains("qualifier") ? RequireId(s, "qualifier", where) : 0;
    auto elements = s.find("elements");
    if (elements == s.end() || !elements->is_array())
        throw std::runtime_error(where + ": \"elements\" must be an array");
    for (size_t i = 0; i < elements->size(); ++i) {
        const json& e = (*elements)[i];
        std::string at = where + ".elements[" + std::to_string(i) + "]";
        if (!e.is_object())
            throw std::runtime_error(at + " must be an object");
        Element element;
        element.id = RequireId(e, "id", at);
        element.type = RequireId(e, "type", at);
        element.x = RequireNumber(e, "x", at);
        element.y = RequireNumber(e, "y", at);
        if (auto text = e.find("text"); text != e.end()) {
            if (!text->is_string())
                throw std::runtime_error(at + ": \"text\" must be a string");
            element.text = WideFromUtf8(text->get<std::string>());
        }
        segment.elements.push_back(std::move(element));
    }
    return segment;
}

}  // namespace

void Drawing::LoadJson(const std::string& utf8)
{
    json document;
    try {
        document = json::parse(utf8);
    } catch (const json::parse_error& e) {
        throw std::runtime_error(std::string("invalid JSON: ") + e.what());
    }
    if (!document.is_object() || !document.contains("segments") || !document["segments"].is_array())
        throw std::runtime_error("the drawing must be an object with a \"segments\" array");

    Drawing loaded;
    const json& segments = document["segments"];
    for (size_t i = 0; i < segments.size(); ++i)
        loaded.AddSegment(ParseSegment(segments[i], "segments[" + std::to_string(i) + "]"));
    *this = std::move(loaded);
}

// One segment a line, keys in the documented order, so that saved drawings diff well.
std::string Drawing::SaveJson() const
{
    std::string out = "{\"segments\":[";
    bool first = true;
    for (const Segment& segment : segments_) {
        if (segment.deleted)
            continue;
        nlohmann::ordered_json elements = nlohmann::ordered_json::array();
        for (const Element& element : segment.elements) {
            nlohmann::ordered_json e = {{"id", element.id}, {"type", element.type}, {"x", element.x}, {"y", element.y}};
            if (element.type == 33)
                e["text"] = Utf8FromWide(element.text);
            elements.push_back(std::move(e));
        }
        nlohmann::ordered_json s = {
            {"id", segment.id}, {"qualifier", segment.qualifier}, {"elements", std::move(elements)}};
        out += first ? "\n" : ",\n";
        out += s.dump();
        first = false;
    }
    out += "\n]}\n";
    return out;
}

void Drawing::AddSegment(Segment segment)
{
    if (segmentIndex_.count(segment.id))
        throw std::runtime_error("duplicate segment id " + std::to_string(segment.id));
    auto index = static_cast<std::uint32_t>(segments_.size());
    for (std::uint32_t i = 0; i < segment.elements.size(); ++i) {
        std::int32_t id = segment.elements[i].id;
        if (!elementIndex_.emplace(id, ElementLocation{index, i}).second) {
            for (std::uint32_t j = 0; j < i; ++j)
                elementIndex_.erase(segment.elements[j].id);
            throw std::runtime_error("duplicate element id " + std::to_string(id));
        }
    }
    segmentIndex_.emplace(segment.id, index);
    segments_.push_back(std::move(segment));
}

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
