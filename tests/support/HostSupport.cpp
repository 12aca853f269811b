#include "tests/support/HostSupport.h"

#include <nlohmann/json.hpp>

#include <ZelLib.h>

#include <windows.h>

#include <cwchar>

void StoreMethod(const wchar_t* method)
{
    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyExW(HKEY_CURRENT_USER, MethodKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    RegSetValueExW(key, L"Method", 0, REG_SZ, reinterpret_cast<const BYTE*>(method),
                   static_cast<DWORD>((std::wcslen(method) + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

DrawingBuilder& DrawingBuilder::Annotation(int segment, int element, double x, double y, const std::wstring& text,
                                           int qualifier, double height)
{
    segments_.push_back(Seg{segment, qualifier, {Item{element, AnnotationElementType, x, y, text, height}}});
    return *this;
}

DrawingBuilder& DrawingBuilder::Other(int segment, int element, double x, double y, int type)
{
    segments_.push_back(Seg{segment, 0, {Item{element, type, x, y, L"", 0}}});
    return *this;
}

DrawingBuilder& DrawingBuilder::Element(int element, int type, double x, double y, const std::wstring& text)
{
    segments_.back().items.push_back(Item{element, type, x, y, text, 0});
    return *this;
}

std::string DrawingBuilder::Json() const
{
    nlohmann::json segments = nlohmann::json::array();
    for (const Seg& s : segments_) {
        nlohmann::json elements = nlohmann::json::array();
        for (const Item& i : s.items) {
            nlohmann::json e = {{"id", i.id}, {"type", i.type}, {"x", i.x}, {"y", i.y}};
            if (i.type == AnnotationElementType)
                e["text"] = Utf8(i.text);
            if (i.height > 0)
                e["height"] = i.height;
            elements.push_back(e);
        }
        segments.push_back({{"id", s.id}, {"qualifier", s.qualifier}, {"elements", elements}});
    }
    return nlohmann::json{{"segments", segments}}.dump();
}

void DrawingBuilder::Load() const { ASSERT_EQ(ZhdLoadDrawingJson(Json().c_str()), 0) << zhd::LastError(); }

std::wstring TextOf(int elementId)
{
    auto drawing = nlohmann::json::parse(zhd::DrawingJson());
    for (const auto& s : drawing["segments"])
        for (const auto& e : s["elements"])
            if (e["id"] == elementId)
                return Wide(e.value("text", std::string()));
    return L"<gone>";
}

bool SegmentExists(int segmentId)
{
    auto drawing = nlohmann::json::parse(zhd::DrawingJson());
    for (const auto& s : drawing["segments"])
        if (s["id"] == segmentId)
            return true;
    return false;
}

std::vector<std::string> CallsOf(const std::string& prefix)
{
    std::vector<std::string> calls;
    for (const std::string& line : zhd::CallLog())
        if (line.rfind(prefix, 0) == 0)
            calls.push_back(line);
    return calls;
}

void HostFixture::SetUp()
{
    ZhdReset();
    ZhdSetCallLogging(1);
    seen_ = 0;
}

void HostFixture::TearDown()
{
    EXPECT_EQ(zhd::Violations(), std::vector<std::string>{}) << "the plug-in broke the host's protocol";
}

std::vector<std::string> HostFixture::TakeTranscript()
{
    std::vector<std::string> all = zhd::Transcript();
    std::vector<std::string> fresh(all.begin() + static_cast<std::ptrdiff_t>(std::min(seen_, all.size())), all.end());
    seen_ = all.size();
    return fresh;
}
