// Collecting matches, blinking and framing them.
#include "tests/support/TestSupport.h"

#include "command/Command.h"
#include "command/Matches.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <stdexcept>

namespace {

// While set, the plug-in's allocations fail; ZelLib.dll allocates with a runtime of its own.
bool FailAllocations = false;

}  // namespace

void* operator new(std::size_t size)
{
    if (FailAllocations)
        throw std::bad_alloc();
    if (void* memory = std::malloc(size == 0 ? 1 : size))
        return memory;
    throw std::bad_alloc();
}
// GCC takes the pair for a mismatch, not seeing that this new allocates with malloc.
#ifdef __GNUC__
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
#ifdef __GNUC__
#pragma GCC diagnostic pop
#endif

namespace {

class Collection : public HostTest {
protected:
    std::vector<std::int32_t> MatchedSegments() const
    {
        std::vector<std::int32_t> segments;
        for (std::int32_t i = 1; i <= MatchCount; ++i)
            segments.push_back(MatchTable[i].segmentId);
        return segments;
    }

    std::vector<std::int32_t> Collect(Chain chain, const std::wstring& searchText, const BoundingBox* window = nullptr)
    {
        SearchText = searchText;
        MatchCount = 0;
        CollectMatches(window, chain);
        return MatchedSegments();
    }

    size_t Count(const std::string& prefix) { return CallsOf(prefix).size(); }
};

TEST_F(Collection, IdenticalSearchMatchesWholeTextsWithoutRegardToCase)
{
    DrawingBuilder()
        .Annotation(1, 10, 0, 0, L"ABC")
        .Annotation(2, 20, 0, 0, L"abc")
        .Annotation(3, 30, 0, 0, L"xabcx")
        .Annotation(4, 40, 0, 0, L"abc ")
        .Other(5, 50, 0, 0)
        .Annotation(6, 60, 0, 0, L"aBc", 9)
        .Load();
    EXPECT_EQ(Collect(Chain::Identical, L"abc"), (std::vector<std::int32_t>{1, 2, 6}));
    EXPECT_EQ(MatchTable[3].qualifier, 9);
    EXPECT_EQ(MatchTable[3].elementId, 60);
}

TEST_F(Collection, ContainsSearchIsCaseSensitive)
{
    DrawingBuilder()
        .Annotation(1, 10, 0, 0, L"xABCx")
        .Annotation(2, 20, 0, 0, L"xabcx")
        .Annotation(3, 30, 0, 0, L"abc")
        .Load();
    EXPECT_EQ(Collect(Chain::Contains, L"abc"), (std::vector<std::int32_t>{2, 3}));
}

// The contains rule reads a text eight characters a step: the search text at every place of texts
// of up to three steps, after its own first character over and over, and cut short by the end.
// The host hands each text a character further into its buffer than the last, so every place
// falls at every lane of a step.
TEST_F(Collection, ContainsFindsTheSearchTextAtEveryPlaceButNotCutShortByTheEnd)
{
    DrawingBuilder drawing;
    std::vector<std::int32_t> holding;
    int id = 0;
    for (wchar_t filler : {L'x', L'a'}) {
        for (int before = 0; before <= 17; ++before) {
            for (int after = 0; after <= 8; ++after) {
                ++id;
                drawing.Annotation(id, id * 10, 0, 0,
                                   std::wstring(before, filler) + L"abc" + std::wstring(after, L'y'));
                holding.push_back(id);
            }
            ++id;
            drawing.Annotation(id, id * 10, 0, 0, std::wstring(before, filler) + L"ab");
        }
    }
    drawing.Load();
    EXPECT_EQ(Collect(Chain::Contains, L"abc"), holding);
}

struct Fold {
    const wchar_t* search;
    const wchar_t* text;
    bool equal;
};

class CaseFolding : public Collection, public ::testing::WithParamInterface<Fold> {};

TEST_P(CaseFolding, FoldsLettersBeyondAtoZ)
{
    DrawingBuilder().Annotation(1, 10, 0, 0, GetParam().text).Load();
    EXPECT_EQ(Collect(Chain::Identical, GetParam().search).size(), GetParam().equal ? 1u : 0u)
        << Utf8(GetParam().search) << " against " << Utf8(GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Cases, CaseFolding,
                         ::testing::Values(Fold{L"éclair", L"ÉCLAIR", true}, Fold{L"σοφία", L"ΣΟΦΊΑ", true},
                                           Fold{L"дверь", L"ДВЕРЬ", true}, Fold{L"ｄｏｏｒ", L"ＤＯＯＲ", true},
                                           Fold{L"문", L"문", true}, Fold{L"문", L"문 ", false}, Fold{L"", L"", true},
                                           Fold{L"a", L"", false}, Fold{L"door é", L"DOOR É", true},
                                           Fold{L"door", L"DOORS", false}, Fold{L"doors", L"DOOR", false},
                                           Fold{L"방 a", L"방 A", true}));

TEST_F(Collection, AWindowLimitsTheSearch)
{
    DrawingBuilder()
        .Annotation(1, 10, 0, 0, L"문")
        .Annotation(2, 20, 5, 5, L"문")
        .Annotation(3, 30, 20, 5, L"문")
        .Load();
    BoundingBox window{0, 0, 10, 10};
    EXPECT_EQ(Collect(Chain::Identical, L"문", &window), (std::vector<std::int32_t>{1, 2}));
}

TEST_F(Collection, StartsFromAnEmptyIdListWhateverTheHostHeldBefore)
{
    DrawingBuilder().Annotation(1, 10, 0, 0, L"a").Annotation(2, 20, 0, 0, L"b").Load();
    ZelSgmSearchSegment2(nullptr, AcceptAllFilter, 0);  // leaves both segments listed
    EXPECT_EQ(Collect(Chain::Identical, L"b"), std::vector<std::int32_t>{2});
}

TEST_F(Collection, ASegmentIsAMatchOnlyWhenItsHeadMatches)
{
    // A block reference's attributes: the search finds the second, but the head is what would
    // be edited.
    DrawingBuilder()
        .Annotation(1, 10, 0, 0, L"MARK")
        .Element(11, AnnotationElementType, 0, 0, L"D1")
        .Annotation(2, 20, 0, 0, L"D1")
        .Load();
    EXPECT_EQ(Collect(Chain::Identical, L"D1"), std::vector<std::int32_t>{2});
    EXPECT_EQ(Collect(Chain::Contains, L"D"), std::vector<std::int32_t>{2});
}

TEST_F(Collection, SkipsSegmentsWhoseHeadElementCannotBeRead)
{
    DrawingBuilder()
        .Other(1, 10, 0, 0)
        .Element(11, AnnotationElementType, 0, 0, L"문")  // matches, but the head is no annotation
        .Annotation(2, 20, 0, 0, L"문")
        .Annotation(3, 30, 0, 0, L"문")
        .Annotation(4, 40, 0, 0, L"문")
        .Load();
    ZhdFaultHeadElement(3, 999);
    ZhdFaultCommentNullText(40);  // read as filled, but without a text: never a match
    EXPECT_EQ(Collect(Chain::Identical, L"문"), std::vector<std::int32_t>{2});
}

std::string Address(ElementFilter filter)
{
    char text[24];
    std::snprintf(text, sizeof text, "%p", reinterpret_cast<const void*>(filter));
    return text;
}

TEST_F(Collection, MakesItsHostCallsInOrderWithTheirArguments)
{
    DrawingBuilder().Annotation(1, 10, 0, 0, L"문").Annotation(2, 20, 5, 5, L"창").Load();
    BoundingBox window{0, 0, 10, 10};
    Collect(Chain::Identical, L"문", &window);
    EXPECT_EQ(zhd::CallLog(),
              (std::vector<std::string>{// Emptying the id list: a search of the whole drawing that accepts everything.
                                        "ZelSgmSearchSegment2 all filter " + Address(AcceptAllFilter),
                                        "ZelIddOpenApIdData 0 1", "ZelIddInitApIdData", "ZelIddCloseApIdData",
                                        "ZelSgmSearchSegment2 0 0 10 10 filter " + Address(IdenticalTextFilter),
                                        "ZelIddOpenApIdData 0 1", "ZelIddGetHeadApIdData", "ZelSgmGetHeadElementId 1",
                                        // The head's record, read once; its text is tested as read.
                                        "ZelCmtGetComment 10", "ZelIddGetNextApIdData", "ZelIddInitApIdData",
                                        "ZelIddCloseApIdData"}));
}

TEST_F(Collection, AHeadAnsweredFromAnotherSegmentIsTestedByItsText)
{
    DrawingBuilder()
        .Annotation(1, 10, 0, 0, L"문")
        .Annotation(2, 20, 0, 0, L"문")
        .Annotation(3, 30, 0, 0, L"창")
        .Load();
    ZhdFaultHeadElement(1, 20);
    ZhdFaultHeadElement(2, 30);
    // No type asked outside the search: the fixture fails on any protocol violation.
    EXPECT_EQ(Collect(Chain::Identical, L"문"), std::vector<std::int32_t>{1});
    EXPECT_EQ(MatchTable[1].elementId, 20);
}

TEST_F(Collection, GoesOnWhenTheClearingSearchFails)
{
    DrawingBuilder().Annotation(1, 10, 0, 0, L"문").Load();
    ZhdFaultSearch(1, 1);
    EXPECT_EQ(Collect(Chain::Identical, L"문"), std::vector<std::int32_t>{1});
    EXPECT_EQ(Count("ZelIddOpenApIdData"), 1u) << "the list is opened for the walk only";
}

TEST_F(Collection, AFailedSearchAddsNothingAndLeavesTheIdListClosed)
{
    DrawingBuilder().Annotation(1, 10, 0, 0, L"문").Load();
    ZhdFaultSearch(1, 1);  // the clearing search
    ZhdFaultSearch(2, 1);  // the search itself
    EXPECT_EQ(Collect(Chain::Identical, L"문"), std::vector<std::int32_t>{});
    EXPECT_EQ(Count("ZelIddOpenApIdData"), 0u);
}

struct UnopenedList {
    int open;  // the list that the host cannot open: 1 the clearing pass's, 2 the walk's
    std::vector<std::int32_t> matches;
    std::vector<std::string> listCalls;
};

class IdListNotOpened : public Collection, public ::testing::WithParamInterface<UnopenedList> {};

// The fixture fails on any call with a list that is not open.
TEST_P(IdListNotOpened, IsNeitherWalkedNorEmptiedNorClosed)
{
    DrawingBuilder().Annotation(1, 10, 0, 0, L"문").Load();
    ZhdFaultIdListOpen(GetParam().open);
    EXPECT_EQ(Collect(Chain::Identical, L"문"), GetParam().matches);
    EXPECT_EQ(CallsOf("ZelIdd"), GetParam().listCalls);
}

INSTANTIATE_TEST_SUITE_P(Cases, IdListNotOpened,
                         ::testing::Values(UnopenedList{1,
                                                        {1},
                                                        {"ZelIddOpenApIdData 0 1", "ZelIddOpenApIdData 0 1",
                                                         "ZelIddGetHeadApIdData", "ZelIddGetNextApIdData",
                                                         "ZelIddInitApIdData", "ZelIddCloseApIdData"}},
                                           UnopenedList{2,
                                                        {},
                                                        {"ZelIddOpenApIdData 0 1", "ZelIddInitApIdData",
                                                         "ZelIddCloseApIdData", "ZelIddOpenApIdData 0 1"}}),
                         [](const auto& info) { return info.param.open == 1 ? "ForTheClearingPass" : "ForTheWalk"; });

// The texts are compared as the host hands them, never copied: a walk that reads a head with a
// long text allocates nothing, and closes every list it opened (the fixture fails on the
// violation of a list still open when the callback returns).
TEST_F(Collection, AWalkAllocatesNothingAndLeavesNoIdListOpen)
{
    // The search accepts segment 1 for its annotation in the window; the segment's head, read in
    // the walk, holds a long text that is not the search text.
    DrawingBuilder().Annotation(1, 10, 0, 0, L"문").Annotation(2, 20, 100, 100, std::wstring(300, L'문')).Load();
    ZhdFaultHeadElement(1, 20);
    SearchText = L"문";
    ZhdStartAt(RangeReady<Chain::Identical>);
    ZhdSendPoint(-1, -1);
    TakeTranscript();
    FailAllocations = true;
    std::int32_t result = ZhdSendPoint(1, 1);
    FailAllocations = false;
    EXPECT_EQ(result, finish);
    EXPECT_EQ(TakeTranscript(), (std::vector<std::string>{"messagebox: 동일한 주기가 없습니다.", "result: finish"}))
        << "the walk went through, and found the head no match";
    EXPECT_EQ(Count("ZelIddCloseApIdData"), 2u);
}

// An exception that leaves the walk leaves no list open: the list's owner empties and closes it.
TEST_F(Collection, AnExceptionThatLeavesTheWalkLeavesNoIdListOpen)
{
    EXPECT_THROW(
        {
            UniqueIdList list = OpenSystemIdList();
            throw std::runtime_error("the walk failed");
        },
        std::runtime_error);
    EXPECT_EQ(CallsOf("ZelIdd"),
              (std::vector<std::string>{"ZelIddOpenApIdData 0 1", "ZelIddInitApIdData", "ZelIddCloseApIdData"}));
}

struct Capacity {
    int matches;
    int messages;
    int stored;
};

class MatchCapacityCase : public Collection, public ::testing::WithParamInterface<Capacity> {};

TEST_P(MatchCapacityCase, WarnsFromTheThousandthMatchAndNeverOverrunsTheTable)
{
    DrawingBuilder drawing;
    for (int i = 1; i <= GetParam().matches; ++i)
        drawing.Annotation(i, i * 10, i, 0, L"문");
    drawing.Load();
    ZhdSetCallLogging(0);
    Collect(Chain::Identical, L"문");
    std::vector<std::string> expected(static_cast<size_t>(GetParam().messages),
                                      "messagebox: 메모리 한계 용량을 초과하였습니다.");
    EXPECT_EQ(zhd::Transcript(), expected);
    EXPECT_EQ(MatchCount, GetParam().stored);
    EXPECT_EQ(MatchTable[MatchCount].segmentId, GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(Cases, MatchCapacityCase,
                         ::testing::Values(Capacity{999, 0, 999}, Capacity{1000, 1, 1000}, Capacity{1005, 6, 1005},
                                           Capacity{1100, 88, 1087}));

class Framing : public Collection {};

TEST_F(Framing, AllMatchesGiveTheirTrueBoundingBox)
{
    DrawingBuilder()
        .Annotation(1, 10, 20000000, 3, L"문")
        .Annotation(2, 20, 20000004, -7, L"문")
        .Annotation(3, 30, 20000001, 1, L"문")
        .Load();
    Collect(Chain::Identical, L"문");
    ZhdFaultComment(30, 4);  // neither filled nor failed: its filler bytes are no position
    ASSERT_TRUE(ComputeViewBox(0, ViewBox));
    EXPECT_EQ(ViewBox.xmin, 20000000);
    EXPECT_EQ(ViewBox.xmax, 20000004);
    EXPECT_EQ(ViewBox.ymin, -7);
    EXPECT_EQ(ViewBox.ymax, 3);
    ZoomToViewBox(ViewBox, 10);
    EXPECT_EQ(zhd::Transcript(), std::vector<std::string>{"zoom: 19999990 -17 20000014 13"});
}

TEST_F(Framing, OneMatchIsABoxOfZeroSizeAtItsPosition)
{
    DrawingBuilder().Annotation(1, 10, 5, 6, L"문").Load();
    Collect(Chain::Identical, L"문");
    ASSERT_TRUE(ComputeViewBox(0, ViewBox));
    ZoomToViewBox(ViewBox, 10);
    ASSERT_TRUE(ComputeViewBox(1, ViewBox));
    ZoomToViewBox(ViewBox, 100);
    EXPECT_EQ(zhd::Transcript(), (std::vector<std::string>{"zoom: -5 -4 15 16", "zoom: -95 -94 105 106"}));
}

TEST_F(Framing, NothingToFrameLeavesTheBoxUntouched)
{
    DrawingBuilder().Annotation(1, 10, 5, 6, L"문").Annotation(2, 20, 7, 8, L"문").Load();
    Collect(Chain::Identical, L"문");
    ViewBox = BoundingBox{1, 2, 3, 4};
    ZhdFaultComment(10, -1);
    ZhdFaultComment(20, 4);
    EXPECT_FALSE(ComputeViewBox(0, ViewBox)) << "no readable match";
    EXPECT_FALSE(ComputeViewBox(1, ViewBox)) << "an unreadable match";
    EXPECT_FALSE(ComputeViewBox(2, ViewBox)) << "a match whose record the host did not fill";
    EXPECT_FALSE(ComputeViewBox(3, ViewBox)) << "past the last match";
    MatchCount = 0;
    EXPECT_FALSE(ComputeViewBox(0, ViewBox)) << "no match at all";
    EXPECT_EQ(ViewBox.xmin, 1);
    EXPECT_EQ(ViewBox.ymax, 4);
}

TEST_F(Framing, BlinkRegistersEveryMatchInTableOrderThenBlinksOnce)
{
    DrawingBuilder().Annotation(5, 50, 0, 0, L"문", 2).Annotation(3, 30, 0, 0, L"문", 1).Load();
    Collect(Chain::Identical, L"문");
    BlinkMatches();
    EXPECT_EQ(zhd::Transcript(), std::vector<std::string>{"blink: 2/5 1/3"});
    MatchCount = 0;
    BlinkMatches();
    EXPECT_EQ(Count("ZelIdSetBlinkSegmentId"), 2u) << "an empty table registers nothing";
    EXPECT_EQ(Count("ZelIdDoBlink"), 2u) << "and still blinks";
}

}  // namespace
