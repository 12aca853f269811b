#include "base/pch.h"

#include "command/Matches.h"

#include "base/Guarded.h"
#include "base/UniqueHandle.h"
#include "command/Messages.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include <emmintrin.h>

namespace {

// The chains' text rules, on an annotation's text as the host handed it: read at once, before
// the next host call, and not kept. The filters run them on every annotation of the drawing, so
// each is one pass over the text that stops as soon as the answer is known, and copies nothing.

// Character by character, as an ordinal comparison without regard to case goes: a difference of
// ASCII letters, or at a Hangul or CJK character, which have no case, is decided here; at one
// of other letters the system compares the rest.
bool IdenticalText(const wchar_t* text)
{
    auto upper = [](wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - (L'a' - L'A')) : c; };
    auto caseless = [](wchar_t c) {
        return (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x1100 && c <= 0x11FF) ||
               (c >= 0x3130 && c <= 0x318F);
    };
    std::wstring_view sought = SearchText;
    for (size_t i = 0; i < sought.size(); ++i) {
        wchar_t c = text[i];
        if (c == sought[i] && c != L'\0')
            continue;
        if (c == L'\0' || caseless(sought[i]) || caseless(c))
            return false;
        if (c >= 0x80 || sought[i] >= 0x80)
            return EqualsIgnoringCase(sought.substr(i), std::wstring_view(text + i));
        if (upper(c) != upper(sought[i]))
            return false;
    }
    return text[sought.size()] == L'\0';
}

// Whether the sought text starts at `at`; stops at the first difference, so never reads past the
// end of the text.
bool SoughtAt(const wchar_t* at, std::wstring_view sought)
{
    for (size_t k = 0; k < sought.size(); ++k)
        if (at[k] != sought[k] || sought[k] == L'\0')
            return false;
    return true;
}

// The position of the lowest bit set in a mask that has one.
unsigned LowestBit(unsigned mask)
{
#if defined(_MSC_VER)
    unsigned long at = 0;
    _BitScanForward(&at, mask);
    return at;
#else
    return static_cast<unsigned>(__builtin_ctz(mask));
#endif
}

// Eight characters a step, from the 16-byte boundary at or before the text: an aligned load never
// crosses into another page, so the block that holds the text's end can be read whole however
// early in it the text ends, and the bytes before the text in the first block are left out. Each
// block tells at once where the text ends and where the sought text's first two characters stand
// before that (at the block's last character, where the second lies in the next block, the first
// alone); only there is the rest compared. Looking for two keeps those places rare. (A host's
// text, like every wchar_t array, starts on an even address, so the characters fill the block's
// 16-bit lanes.)
bool ContainsText(const wchar_t* text)
{
    std::wstring_view sought = SearchText;
    if (sought.empty())
        return true;
    auto lanesEqual = [](__m128i characters, __m128i value) {
        return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(characters, value)));
    };
    const __m128i end = _mm_setzero_si128();
    const __m128i first = _mm_set1_epi16(static_cast<short>(sought[0]));
    const __m128i second = _mm_set1_epi16(static_cast<short>(sought.size() > 1 ? sought[1] : 0));
    // Two bits a character, one for each of its bytes.
    constexpr unsigned LastCharacter = 0xC000u;
    unsigned anySecond = sought.size() > 1 ? 0u : 0xFFFFu;
    auto address = reinterpret_cast<std::uintptr_t>(text);
    auto block = reinterpret_cast<const __m128i*>(address & ~std::uintptr_t{15});
    unsigned inText = 0xFFFFu << (address & 15);
    for (;; ++block, inText = 0xFFFFu) {
        __m128i characters = _mm_load_si128(block);
        unsigned ends = lanesEqual(characters, end) & inText;
        unsigned followed = (lanesEqual(characters, second) >> 2) | LastCharacter | anySecond;
        unsigned starts = lanesEqual(characters, first) & followed & inText;
        if (ends)
            starts &= (ends & (0u - ends)) - 1;
        for (; starts; starts &= starts - 1, starts &= starts - 1) {
            if (SoughtAt(reinterpret_cast<const wchar_t*>(block) + LowestBit(starts) / 2, sought))
                return true;
        }
        if (ends)
            return false;
    }
}

bool MatchesSearchText(Chain chain, const wchar_t* text)
{
    return chain == Chain::Identical ? IdenticalText(text) : ContainsText(text);
}

// A filter accepts an annotation whose text passes the rule; a failure rejects the element.
template <bool (*Rule)(const wchar_t*)>
std::int32_t FilterAnnotation(std::int32_t elementId, std::int32_t segmentId) noexcept
{
    return Guarded(0, [=] {
        if (ZelElmGetType(elementId, segmentId) != AnnotationElementType)
            return 0;
        CommentRecord record{};
        if (!ReadAnnotation(elementId, record))
            return 0;
        return Rule(record.text) ? 1 : 0;
    });
}

ElementFilter FilterOf(Chain chain) { return chain == Chain::Identical ? IdenticalTextFilter : ContainsTextFilter; }

}  // namespace

UniqueIdList OpenSystemIdList() { return UniqueIdList(ZelIddOpenApIdData(SystemIdListKind, SystemIdListMode)); }

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
        if (!MatchesSearchText(chain, record.text))
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
