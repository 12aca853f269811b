#include "base/pch.h"

#include "command/Matches.h"

#include "base/Guarded.h"
#include "base/UniqueHandle.h"
#include "command/CopiedText.h"
#include "command/Messages.h"

#include <algorithm>

namespace {

// The chains' text rules, on an annotation's text.
bool IdenticalText(std::wstring_view text) { return EqualsIgnoringCase(SearchText, text); }
bool ContainsText(std::wstring_view text) { return text.find(SearchText) != std::wstring_view::npos; }

bool MatchesSearchText(Chain chain, std::wstring_view text)
{
    return chain == Chain::Identical ? IdenticalText(text) : ContainsText(text);
}

// A filter accepts an annotation whose text passes the rule; a failure rejects the element.
template <bool (*Rule)(std::wstring_view)>
std::int32_t FilterAnnotation(std::int32_t elementId, std::int32_t segmentId) noexcept
{
    return Guarded(0, [&] {
        if (ZelElmGetType(elementId, segmentId) != AnnotationElementType)
            return 0;
        CommentRecord record{};
        if (!ReadAnnotation(elementId, record))
            return 0;
        CopiedText text(record.text);
        return Rule(text.View()) ? 1 : 0;
    });
}

ElementFilter FilterOf(Chain chain) { return chain == Chain::Identical ? IdenticalTextFilter : ContainsTextFilter; }

// The host's system id list, emptied and closed when its owner goes: the host holds a list left
// open against the callback that opened it.
struct EmptyAndCloseIdList {
    void operator()(ZelIdData list) const noexcept
    {
        ZelIddInitApIdData(list);
        ZelIddCloseApIdData(list);
    }
};
using UniqueIdList = UniqueHandle<ZelIdData, EmptyAndCloseIdList>;

UniqueIdList OpenSystemIdList() { return UniqueIdList(ZelIddOpenApIdData(SystemIdListKind, SystemIdListMode)); }

}  // namespace

bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b)
{
    if (a.size() != b.size())
        return false;
    if (a.empty())
        return true;
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

bool ReadAnnotation(std::int32_t elementId, CommentRecord& record)
{
    record.text = nullptr;
    return ZelCmtGetComment(elementId, &record) == 0 && record.text != nullptr;
}

std::int32_t AcceptAllFilter(std::int32_t, std::int32_t) noexcept { return 1; }

std::int32_t IdenticalTextFilter(std::int32_t elementId, std::int32_t segmentId) noexcept
{
    return FilterAnnotation<IdenticalText>(elementId, segmentId);
}

std::int32_t ContainsTextFilter(std::int32_t elementId, std::int32_t segmentId) noexcept
{
    return FilterAnnotation<ContainsText>(elementId, segmentId);
}

void CollectMatches(const BoundingBox* window, Chain chain)
{
    // The host appends a search's segments to its id list: empty it first with a search that
    // fills it and a list emptied and closed at once.
    if (ZelSgmSearchSegment2(nullptr, AcceptAllFilter, 0) == 0)
        OpenSystemIdList().Reset();
    if (ZelSgmSearchSegment2(window, FilterOf(chain), 0) != 0)
        return;

    UniqueIdList list = OpenSystemIdList();
    if (!list)
        return;
    IdListItem item{};
    for (std::int32_t more = ZelIddGetHeadApIdData(list.Get(), &item); more != -1;
         more = ZelIddGetNextApIdData(list.Get(), &item)) {
        std::int32_t segmentId = item.segmentId;
        std::int32_t qualifier = item.qualifier;
        std::int32_t elementId = ZelSgmGetHeadElementId(segmentId);
        CommentRecord record{};
        if (!ReadAnnotation(elementId, record))
            continue;
        // Any annotation of a segment can make the search list it, but only its head is read and
        // edited: a head whose own text does not match would be changed in another's stead.
        if (!MatchesSearchText(chain, CopiedText(record.text).View()))
            continue;
        ++MatchCount;
        if (MatchCount >= MatchWarningCount)
            ZelDlgMessageBox(message::Capacity);
        MatchTable[MatchCount] = MatchEntry{qualifier, segmentId, elementId};
        if (MatchCount == MatchCapacity)
            break;
    }
}

void BlinkMatches()
{
    for (std::int32_t i = 1; i <= MatchCount; ++i)
        ZelIdSetBlinkSegmentId(&MatchTable[i].qualifier);
    ZelIdDoBlink();
}

bool ComputeViewBox(std::int32_t index, BoundingBox& box)
{
    if (index < 0 || index > MatchCount)
        return false;
    // Only a record the host reports filled carries a position; any other holds filler bytes.
    CommentRecord record{};
    if (index > 0) {
        if (!ReadAnnotation(MatchTable[index].elementId, record))
            return false;
        box = BoundingBox{record.x, record.y, record.x, record.y};
        return true;
    }
    bool any = false;
    BoundingBox all{};
    for (std::int32_t i = 1; i <= MatchCount; ++i) {
        if (!ReadAnnotation(MatchTable[i].elementId, record))
            continue;
        if (!any) {
            all = BoundingBox{record.x, record.y, record.x, record.y};
            any = true;
            continue;
        }
        all.xmin = std::min(all.xmin, record.x);
        all.ymin = std::min(all.ymin, record.y);
        all.xmax = std::max(all.xmax, record.x);
        all.ymax = std::max(all.ymax, record.y);
    }
    if (any)
        box = all;
    return any;
}

void ZoomToViewBox(const BoundingBox& box, double margin)
{
    ZelFilFitZoom2(box.xmin - margin, box.ymin - margin, box.xmax + margin, box.ymax + margin);
}
