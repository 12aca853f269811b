// The stand-in host itself: its drawing files, its search and id list, its strictness and its
// faults. A host that let a faulty plug-in pass would make every other test worthless.
#include "HostSupport.h"
#include "host/ZelLib.h"

#include <windows.h>

#include <cwchar>

namespace {

class StandInHost : public HostFixture {
protected:
    void TearDown() override {}  // these cases break the protocol on purpose
};

std::vector<std::int32_t> Accepted;
std::int32_t AcceptEven(std::int32_t elementId, std::int32_t segmentId)
{
    Accepted.push_back(elementId);
    return ZelElmGetType(elementId, segmentId) >= 0 && elementId % 2 == 0;
}

std::vector<std::int32_t> WalkIdList()
{
    std::vector<std::int32_t> segments;
    ZelIdData list = ZelIddOpenApIdData(0, 1);
    IdListItem item{};
    for (auto r = ZelIddGetHeadApIdData(list, &item); r != -1; r = ZelIddGetNextApIdData(list, &item))
        segments.push_back(item.segmentId);
    ZelIddCloseApIdData(list);
    return segments;
}

TEST_F(StandInHost, DrawingRoundTripsThroughJson)
{
    const std::string json =
        "{\"segments\":[\n"
        R"({"id":101,"qualifier":7,"elements":[{"id":1001,"type":33,"x":10.5,"y":20.0,"text":"문"},)"
        R"({"id":1002,"type":1,"x":0.0,"y":0.0}]},)"
        "\n"
        R"({"id":102,"qualifier":0,"elements":[]})"
        "\n]}\n";
    ASSERT_EQ(ZhdLoadDrawingJson(json.c_str()), 0) << zhd::LastError();
    EXPECT_EQ(zhd::DrawingJson(), json);
}

struct BadDrawing {
    const char* json;
    const char* reason;
};

class MalformedDrawing : public StandInHost, public ::testing::WithParamInterface<BadDrawing> {};

TEST_P(MalformedDrawing, IsRefusedAndLeavesTheDrawingAsItWas)
{
    DrawingBuilder().Annotation(1, 10, 0, 0, L"kept").Load();
    std::string before = zhd::DrawingJson();
    EXPECT_NE(ZhdLoadDrawingJson(GetParam().json), 0);
    EXPECT_NE(zhd::LastError().find(GetParam().reason), std::string::npos) << zhd::LastError();
    EXPECT_EQ(zhd::DrawingJson(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MalformedDrawing,
    ::testing::Values(BadDrawing{"{\"segments\":[", "invalid JSON"}, BadDrawing{"[]", "\"segments\" array"},
                      BadDrawing{R"({"segments":[{"id":1,"elements":[]},{"id":1,"elements":[]}]})",
                                 "duplicate segment id 1"},
                      BadDrawing{R"({"segments":[{"id":1,"elements":[{"id":5,"type":1,"x":0,"y":0}]},)"
                                 R"({"id":2,"elements":[{"id":5,"type":1,"x":0,"y":0}]}]})",
                                 "duplicate element id 5"},
                      BadDrawing{R"({"segments":[{"id":1,"elements":[{"id":5,"type":33,"x":0,"y":0,"text":7}]}]})",
                                 "segments[0].elements[0]: \"text\" must be a string"},
                      BadDrawing{R"({"segments":[{"id":1,"elements":[{"id":5,"type":33,"x":"a","y":0}]}]})",
                                 "\"x\" must be a number"},
                      BadDrawing{R"({"segments":[{"id":1.5,"elements":[]}]})", "\"id\" must be an integer"}));

TEST_F(StandInHost, SearchOffersElementsInsideTheWindowBoundsIncludedInDrawingOrder)
{
    DrawingBuilder()
        .Annotation(1, 10, 0, 0, L"a")
        .Element(12, 1, 5, 5)
        .Annotation(2, 20, 10, 10, L"b")
        .Annotation(3, 30, 10.001, 0, L"outside")
        .Annotation(4, 40, 3, 3, L"c")
        .Load();
    Accepted.clear();
    BoundingBox window{0, 0, 10, 10};
    ASSERT_EQ(ZelSgmSearchSegment2(&window, AcceptEven, 0), 0);
    EXPECT_EQ(Accepted, (std::vector<std::int32_t>{10, 12, 20, 40}));
    // Segment 1 is accepted twice (10 and 12) but listed once, in order of first acceptance.
    EXPECT_EQ(WalkIdList(), (std::vector<std::int32_t>{1, 2, 4}));
}

TEST_F(StandInHost, SearchAppendsToTheIdListUntilItIsEmptied)
{
    DrawingBuilder().Annotation(1, 10, 0, 0, L"a").Annotation(2, 20, 1, 1, L"b").Load();
    ZelSgmSearchSegment2(nullptr, AcceptEven, 0);
    BoundingBox second{1, 1, 1, 1};
    ZelSgmSearchSegment2(&second, AcceptEven, 0);
    EXPECT_EQ(WalkIdList(), (std::vector<std::int32_t>{1, 2}));

    ZelIdData list = ZelIddOpenApIdData(0, 1);
    ZelIddInitApIdData(list);
    ZelIddCloseApIdData(list);
    EXPECT_EQ(WalkIdList(), std::vector<std::int32_t>{});
}

const wchar_t* KeptText = nullptr;
std::int32_t KeepCommentPointer(std::int32_t elementId, std::int32_t)
{
    CommentRecord record{};
    if (ZelCmtGetComment(elementId, &record) == 0)
        KeptText = record.text;
    return 0;
}

TEST_F(StandInHost, AHostTextReadsAsGarbageOnceItHasExpired)
{
    DrawingBuilder().Annotation(1, 10, 0, 0, L"first").Annotation(2, 20, 0, 0, L"second").Load();
    CommentRecord record{};
    ASSERT_EQ(ZelCmtGetComment(10, &record), 0);
    const wchar_t* first = record.text;
    EXPECT_STREQ(first, L"first");
    ASSERT_EQ(ZelCmtGetComment(20, &record), 0);
    EXPECT_STRNE(first, L"first") << "the next call must overwrite the text handed out before";

    ZelSgmSearchSegment2(nullptr, KeepCommentPointer, 0);
    ASSERT_NE(KeptText, nullptr);
    EXPECT_STRNE(KeptText, L"second") << "a text must expire when the filter returns";
}

std::int32_t ReadyWithoutExecute() { return 0; }
std::int32_t AdvanceWithoutReady(std::int32_t, ZelEvent) { return advance; }
std::int32_t ReadyAdvancingBlindly()
{
    ZelCtlSetExecuteFunc(AdvanceWithoutReady, L"");
    return 0;
}
std::int32_t ReadyWithReservedText()
{
    ZelCtlSetExecuteFunc(AdvanceWithoutReady, L"x");
    return 0;
}

struct Breach {
    ZelReadyFunc ready;
    bool sendEvent;
    const char* violation;
};

class ProtocolBreach : public StandInHost, public ::testing::WithParamInterface<Breach> {};

TEST_P(ProtocolBreach, IsRecorded)
{
    ZhdStartAt(GetParam().ready);
    if (GetParam().sendEvent)
        ZhdSendConfirm();
    std::vector<std::string> violations = zhd::Violations();
    ASSERT_FALSE(violations.empty());
    EXPECT_NE(violations.front().find(GetParam().violation), std::string::npos) << violations.front();
}

INSTANTIATE_TEST_SUITE_P(Cases, ProtocolBreach,
                         ::testing::Values(Breach{ReadyWithoutExecute, false, "registered no execute function"},
                                           Breach{ReadyAdvancingBlindly, true, "advance without a new ready function"},
                                           Breach{ReadyWithReservedText, false,
                                                  "second argument other than the empty text"}));

TEST_F(StandInHost, FaultsChangeTheResultsThePlugInExamines)
{
    DrawingBuilder().Annotation(1, 10, 0, 0, L"a").Annotation(2, 20, 0, 0, L"b").Annotation(3, 30, 0, 0, L"c").Load();
    ZhdFaultComment(10, 5);
    ZhdFaultCommentNullText(20);
    ZhdFaultDelete(3);
    ZhdFaultHeadElement(2, 99);
    ZhdFaultSearch(2, 1);

    CommentRecord record{};
    EXPECT_EQ(ZelCmtGetComment(10, &record), 5);
    record.text = L"not touched";
    EXPECT_EQ(ZelCmtGetComment(20, &record), 0);
    EXPECT_EQ(record.text, nullptr);
    EXPECT_EQ(ZelSgmDeleteSegment(3), -1);
    EXPECT_EQ(ZelSgmDeleteSegment(1), 0);
    EXPECT_EQ(ZelSgmGetHeadElementId(2), 99);
    EXPECT_EQ(ZelSgmSearchSegment2(nullptr, AcceptEven, 0), 0);
    EXPECT_EQ(ZelSgmSearchSegment2(nullptr, AcceptEven, 0), 1);
    EXPECT_EQ(ZelSgmSearchSegment2(nullptr, AcceptEven, 0), 0);
}

std::int32_t ElementTypeOfWrongSegment(std::int32_t elementId, std::int32_t segmentId)
{
    ZelElmGetType(elementId, segmentId + 1);
    return 0;
}

TEST_F(StandInHost, AFilterMustHandItsArgumentsOnUnchanged)
{
    DrawingBuilder().Annotation(1, 10, 0, 0, L"a").Load();
    ZelSgmSearchSegment2(nullptr, ElementTypeOfWrongSegment, 0);
    EXPECT_EQ(zhd::Violations(),
              (std::vector<std::string>{"ZelElmGetType with a segment id that is not the element's"}));
}

TEST_F(StandInHost, SavingWritesTheWholeFileOrNothing)
{
    DrawingBuilder().Annotation(1, 10, 0, 0, L"문자").Load();
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    std::wstring path = std::wstring(folder) + L"zelhost-save-test.json";
    ASSERT_EQ(ZhdSaveDrawingFile(path.c_str()), 0) << zhd::LastError();
    ZhdReset();
    ASSERT_EQ(ZhdLoadDrawingFile(path.c_str()), 0) << zhd::LastError();
    EXPECT_EQ(TextOf(10), L"문자");
    DeleteFileW(path.c_str());

    std::wstring unwritable = std::wstring(folder) + L"no-such-folder\\out.json";
    EXPECT_NE(ZhdSaveDrawingFile(unwritable.c_str()), 0);
    EXPECT_EQ(GetFileAttributesW((unwritable + L".part").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
