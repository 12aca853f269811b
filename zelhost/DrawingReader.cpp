// The drawing's strict streaming reader: the JSON text (README.md documents the format) becomes
// the model of Drawing.h as the parser's events come, and anything a host could not hold is
// refused with the place it stands at.
#include "zelhost/Drawing.h"

#include "base/UniqueHandle.h"
#include "zelhost/Utf8.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstring>

namespace zelhost {

namespace {

using nlohmann::json;

// The keys each object may hold, each at most once.
enum Key : unsigned {
    KeySegments,
    KeyId,
    KeyQualifier,
    KeyElements,
    KeyType,
    KeyX,
    KeyY,
    KeyText,
    KeyHeight,
    KeyRotation,
    KeyHandle,
    KeyLine,
    KeyPolyline,
    KeyClosed,
    KeyCircle,
    KeyArc,
    KeyCount
};

constexpr const char* KeyNames[KeyCount] = {"segments", "id",     "qualifier", "elements", "type",   "x",
                                            "y",        "text",   "height",    "rotation", "handle", "line",
                                            "polyline", "closed", "circle",    "arc"};

enum class Frame { Root, Document, SegmentList, Segment, ElementList, Element, Numbers };

// The keys of each kind of object.
constexpr unsigned Bit(Key key) { return 1u << key; }
constexpr unsigned DocumentKeys = Bit(KeySegments);
constexpr unsigned SegmentKeys = Bit(KeyId) | Bit(KeyQualifier) | Bit(KeyElements);
constexpr unsigned ElementKeys = Bit(KeyId) | Bit(KeyType) | Bit(KeyX) | Bit(KeyY) | Bit(KeyText) | Bit(KeyHeight) |
                                 Bit(KeyRotation) | Bit(KeyHandle) | Bit(KeyLine) | Bit(KeyPolyline) | Bit(KeyClosed) |
                                 Bit(KeyCircle) | Bit(KeyArc);
constexpr unsigned AnnotationOnlyKeys = Bit(KeyText) | Bit(KeyHeight) | Bit(KeyRotation);
constexpr unsigned ShapeKeys = Bit(KeyLine) | Bit(KeyPolyline) | Bit(KeyClosed) | Bit(KeyCircle) | Bit(KeyArc);

// Builds the drawing from the parser's events as they come, so that no document tree is ever
// held: a drawing takes little more memory than its own model.
class DrawingReader : public nlohmann::json_sax<json> {
public:
    explicit DrawingReader(Drawing& drawing) : drawing_(drawing) {}

    bool null() override { return Scalar("null"); }
    bool boolean(bool value) override
    {
        if (Top() == Frame::Element && key_ == KeyClosed) {
            Detail().closed = value;
            return true;
        }
        return Scalar("a true or false");
    }
    bool number_integer(number_integer_t value) override { return Number(static_cast<double>(value), value, true); }
    bool number_unsigned(number_unsigned_t value) override
    {
        bool fits = value <= static_cast<number_unsigned_t>(INT64_MAX);
        return Number(static_cast<double>(value), fits ? static_cast<std::int64_t>(value) : INT64_MAX, true);
    }
    bool number_float(number_float_t value, const string_t&) override { return Number(value, 0, false); }
    bool string(string_t& value) override
    {
        if (Top() == Frame::Element && key_ == KeyText) {
            if (value.find('\0') != std::string::npos)
                Fail("\"text\" holds a NUL character, which no host text can");
            element_.text = WideFromUtf8(value);
            return true;
        }
        if (Top() == Frame::Element && key_ == KeyHandle) {
            Detail().handle = value;
            return true;
        }
        return Scalar("a text");
    }
    bool binary(binary_t&) override { return Scalar("binary data"); }

    bool start_object(std::size_t) override
    {
        switch (Top()) {
        case Frame::Root:
            Push(Frame::Document);
            return true;
        case Frame::SegmentList:
            segment_ = Segment{};
            Push(Frame::Segment);
            return true;
        case Frame::ElementList:
            element_ = Element{};
            Push(Frame::Element);
            return true;
        default:
            return Scalar("an object");
        }
    }

    bool key(string_t& name) override
    {
        unsigned allowed = Top() == Frame::Document  ? DocumentKeys
                           : Top() == Frame::Segment ? SegmentKeys
                                                     : ElementKeys;
        Key found = KeyCount;
        for (unsigned k = 0; k < KeyCount; ++k)
            if (name == KeyNames[k])
                found = static_cast<Key>(k);
        if (found == KeyCount || !(allowed & Bit(found)))
            Fail("unknown key \"" + name + "\"");
        if (frames_.back().seen & Bit(found))
            Fail("\"" + name + "\" given twice");
        frames_.back().seen |= Bit(found);
        key_ = found;
        return true;
    }

    bool end_object() override
    {
        Frame ended = Top();
        unsigned seen = frames_.back().seen;
        if (ended == Frame::Document && !(seen & Bit(KeySegments)))
            Fail("the drawing must be an object with a \"segments\" array");
        if (ended == Frame::Segment)
            EndSegment(seen);
        if (ended == Frame::Element)
            EndElement(seen);
        Pop();
        return true;
    }

    bool start_array(std::size_t) override
    {
        if (Top() == Frame::Document && key_ == KeySegments)
            Push(Frame::SegmentList);
        else if (Top() == Frame::Segment && key_ == KeyElements)
            Push(Frame::ElementList);
        else if (Top() == Frame::Element && (key_ == KeyLine || key_ == KeyPolyline || key_ == KeyArc))
            Push(Frame::Numbers);
        else
            return Scalar("an array");
        return true;
    }

    bool end_array() override
    {
        if (Top() == Frame::Numbers) {
            Pop();
            Detail().shape = key_ == KeyLine ? Shape::Line : key_ == KeyPolyline ? Shape::Polyline : Shape::Arc;
            Detail().values = std::move(numbers_);
            numbers_.clear();
            return true;
        }
        Pop();
        return true;
    }

    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& error) override
    {
        throw DrawingError(std::string("invalid JSON: ") + error.what());
    }

private:
    struct Open {
        Frame frame;
        unsigned seen = 0;
        std::size_t items = 0;  // lists: the items begun so far
    };

    Frame Top() const { return frames_.empty() ? Frame::Root : frames_.back().frame; }

    void Push(Frame frame)
    {
        if (!frames_.empty() && (frame == Frame::Segment || frame == Frame::Element))
            ++frames_.back().items;
        frames_.push_back(Open{frame});
    }
    void Pop() { frames_.pop_back(); }

    // Where the parser is, as the drawing's own path: segments[3].elements[0].
    std::string Place() const
    {
        std::string place;
        for (const Open& open : frames_) {
            if (open.frame == Frame::SegmentList)
                place += "segments[" + std::to_string(open.items - 1) + "]";
            else if (open.frame == Frame::ElementList)
                place += ".elements[" + std::to_string(open.items - 1) + "]";
        }
        return place;
    }

    [[noreturn]] void Fail(const std::string& what) const
    {
        std::string place = Place();
        throw DrawingError(place.empty() ? what : place + ": " + what);
    }

    // A value of the wrong kind for where it stands.
    bool Scalar(const char* what)
    {
        switch (Top()) {
        case Frame::Root:
            Fail("the drawing must be an object with a \"segments\" array");
        case Frame::SegmentList:
        case Frame::ElementList:
            ++frames_.back().items;  // the value takes the place of the list's next object
            Fail(std::string(what) + " where an object belongs");
        case Frame::Numbers:
            Fail(std::string("\"") + KeyNames[key_] + "\" must hold numbers only");
        default:
            Fail(std::string("\"") + KeyNames[key_] + "\" must be " + Expected(key_));
        }
    }

    static const char* Expected(Key key)
    {
        switch (key) {
        case KeyId:
        case KeyQualifier:
        case KeyType:
            return "an integer";
        case KeyText:
        case KeyHandle:
            return "a string";
        case KeySegments:
        case KeyElements:
        case KeyLine:
        case KeyPolyline:
        case KeyArc:
            return "an array";
        case KeyClosed:
            return "true or false";
        default:
            return "a number";
        }
    }

    std::int32_t Id(double value, std::int64_t integer, bool isInteger)
    {
        if (!isInteger)
            Fail(std::string("\"") + KeyNames[key_] + "\" must be an integer");
        if (integer < INT32_MIN || integer > INT32_MAX || value > INT32_MAX)
            Fail(std::string("\"") + KeyNames[key_] + "\" is out of the 32-bit range");
        return static_cast<std::int32_t>(integer);
    }

    double Finite(double value)
    {
        if (!std::isfinite(value))
            Fail(std::string("\"") + KeyNames[key_] + "\" must be a finite number");
        return value;
    }

    bool Number(double value, std::int64_t integer, bool isInteger)
    {
        Frame top = Top();
        if (top == Frame::Numbers) {
            numbers_.push_back(Finite(value));
            return true;
        }
        if (top == Frame::Segment && (key_ == KeyId || key_ == KeyQualifier)) {
            (key_ == KeyId ? segment_.id : segment_.qualifier) = Id(value, integer, isInteger);
            return true;
        }
        if (top == Frame::Element) {
            switch (key_) {
            case KeyId:
                element_.id = Id(value, integer, isInteger);
                return true;
            case KeyType:
                element_.type = Id(value, integer, isInteger);
                return true;
            case KeyX:
                element_.x = Finite(value);
                return true;
            case KeyY:
                element_.y = Finite(value);
                return true;
            case KeyHeight:
                Detail().height = Finite(value);
                return true;
            case KeyRotation:
                Detail().rotation = Finite(value);
                return true;
            case KeyCircle:
                Detail().shape = Shape::Circle;
                Detail().values = {Finite(value)};
                return true;
            default:
                break;
            }
        }
        return Scalar("a number");
    }

    ElementDetail& Detail()
    {
        if (!element_.detail)
            element_.detail = std::make_unique<ElementDetail>();
        return *element_.detail;
    }

    void EndSegment(unsigned seen)
    {
        if (!(seen & Bit(KeyId)))
            Fail("\"id\" must be an integer");
        if (!(seen & Bit(KeyElements)))
            Fail("\"elements\" must be an array");
        drawing_.AddSegment(std::move(segment_));
    }

    void EndElement(unsigned seen)
    {
        for (Key required : {KeyId, KeyType})
            if (!(seen & Bit(required)))
                Fail(std::string("\"") + KeyNames[required] + "\" must be an integer");
        for (Key required : {KeyX, KeyY})
            if (!(seen & Bit(required)))
                Fail(std::string("\"") + KeyNames[required] + "\" must be a number");
        if (!element_.IsAnnotation() && (seen & AnnotationOnlyKeys))
            Fail("only an annotation (type 33) has a text, a height or a rotation");
        if (element_.IsAnnotation() && (seen & ShapeKeys))
            Fail("an annotation (type 33) has no line, polyline, circle or arc");
        if ((seen & Bit(KeyClosed)) && !(seen & Bit(KeyPolyline)))
            Fail("\"closed\" belongs to a polyline");
        if (element_.detail)
            CheckShape(*element_.detail, seen);
        segment_.elements.push_back(std::move(element_));
    }

    void CheckShape(const ElementDetail& detail, unsigned seen)
    {
        if (((seen & ShapeKeys) & ~Bit(KeyClosed)) & (((seen & ShapeKeys) & ~Bit(KeyClosed)) - 1))
            Fail("an element has one line, polyline, circle or arc at most");
        size_t n = detail.values.size();
        bool fits = detail.shape == Shape::None || (detail.shape == Shape::Line && n == 4) ||
                    (detail.shape == Shape::Polyline && n >= 4 && n % 2 == 0) ||
                    (detail.shape == Shape::Circle && detail.values[0] > 0) ||
                    (detail.shape == Shape::Arc && n == 3 && detail.values[0] > 0);
        if (!fits)
            Fail("a line takes 4 numbers, a polyline pairs of 2 points or more, a circle a radius above 0, an arc "
                 "a radius above 0 and two angles");
    }

    Drawing& drawing_;
    std::vector<Open> frames_;
    Key key_ = KeyCount;
    Segment segment_;
    Element element_;
    std::vector<double> numbers_;
};

}  // namespace

void Drawing::LoadJson(const std::string& utf8)
{
    Drawing loaded;
    DrawingReader reader(loaded);
    json::sax_parse(utf8, &reader);
    *this = std::move(loaded);
}

void Drawing::LoadFile(const std::wstring& path)
{
    UniqueFile file(_wfopen(path.c_str(), L"rb"));
    if (!file)
        throw DrawingError("cannot read the drawing");
    // The parser takes a NUL byte for the end of its input; a file that holds one is refused
    // here, so that nothing after it is silently dropped.
    char chunk[65536];
    size_t offset = 0;
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, file.Get())) > 0; offset += n) {
        if (const void* nul = std::memchr(chunk, '\0', n))
            throw DrawingError("invalid JSON: a NUL byte at offset " +
                               std::to_string(offset + static_cast<size_t>(static_cast<const char*>(nul) - chunk)));
    }
    if (std::ferror(file.Get()))
        throw DrawingError("cannot read the drawing");
    std::rewind(file.Get());
    Drawing loaded;
    DrawingReader reader(loaded);
    json::sax_parse(file.Get(), &reader);
    if (std::ferror(file.Get()))
        throw DrawingError("cannot read the drawing");
    *this = std::move(loaded);
}

}  // namespace zelhost
