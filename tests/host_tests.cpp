// The stand-in host itself: its drawing files, its search and id list and its strictness (its
// faults: host_faults_tests.cpp). A host that let a faulty plug-in pass would make every other
// test worthless.
#include "tests/support/HostSupport.h"
#include "zelhost/Drawing.h"
#include "zelhost/Files.h"

#include <ZelLib.h>

#include <windows.h>

#include <nlohmann/json.hpp>

#include <atomic>
#include <cstdio>
#include <cwchar>
#include <thread>

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
    ::testing::Values(
        BadDrawing{"{\"segments\":[", "invalid JSON"}, BadDrawing{"[]", "\"segments\" array"},
        BadDrawing{R"({"segments":[{"id":1,"elements":[]},{"id":1,"elements":[]}]})", "duplicate segment id 1"},
        BadDrawing{R"({"segments":[{"id":1,"elements":[{"id":5,"type":1,"x":0,"y":0}]},)"
                   R"({"id":2,"elements":[{"id":5,"type":1,"x":0,"y":0}]}]})",
                   "duplicate element id 5"},
        BadDrawing{R"({"segments":[{"id":1,"elements":[{"id":5,"type":33,"x":0,"y":0,"text":7}]}]})",
                   "segments[0].elements[0]: \"text\" must be a string"},
        BadDrawing{R"({"segments":[{"id":1,"elements":[{"id":5,"type":33,"x":"a","y":0}]}]})",
                   "\"x\" must be a number"},
        BadDrawing{R"({"segments":[{"id":1.5,"elements":[]}]})", "segments[0]: \"id\" must be an integer"},
        BadDrawing{R"({"segments":[{"id":18446744073709551615,"elements":[]}]})", "\"id\" is out of the 32-bit range"},
        BadDrawing{R"({"segments":[{"id":2147483648,"elements":[]}]})", "\"id\" is out of the 32-bit range"},
        BadDrawing{R"({"segments":[{"id":1,"elements":[{"id":-2147483649,"type":1,"x":0,"y":0}]}]})",
                   "\"id\" is out of the 32-bit range"},
        BadDrawing{R"({"segments":[{"id":1,"elements":[{"id":5,"type":33,"x":0,"y":0,"text":"a\u0000b"}]}]})",
                   "segments[0].elements[0]: \"text\" holds a NUL character"},
        BadDrawing{
            R"({"segments":[{"id":1,"elements":[]},{"id":2,"elements":[{"id":5,"type":1,"x":0,"y":0,"text":"t"}]}]})",
            "segments[1].elements[0]: only an annotation (type 33) has a text"},
        BadDrawing{R"({"segments":[{"id":1,"id":2,"elements":[]}]})", "segments[0]: \"id\" given twice"},
        BadDrawing{R"({"segments":[{"id":1,"elements":[{"id":5,"type":1,"x":1e400,"y":0}]}]})", "invalid JSON"},
        BadDrawing{R"({"segments":[{"id":1,"elements":[],"color":3}]})", "segments[0]: unknown key \"color\""},
        BadDrawing{R"({"segments":[]} {"segments":[]})", "invalid JSON"},
        BadDrawing{R"({"segments":[{"id":1,"elements":[{"id":5,"type":1,"x":0,"y":0},[]]}]})",
                   "segments[0].elements[1]: an array where an object belongs"}));

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

TEST_F(StandInHost, ASearchListsEachOfManySegmentsOnceHoweverOftenItIsAccepted)
{
    DrawingBuilder drawing;
    std::vector<std::int32_t> segments;
    for (int s = 1; s <= 300; ++s) {
        drawing.Annotation(s, 10 * s, 0, 0, L"a").Element(10 * s + 2, 1, 0, 0);
        segments.push_back(s);
    }
    drawing.Load();
    ZelSgmSearchSegment2(nullptr, AcceptEven, 0);
    ZelSgmSearchSegment2(nullptr, AcceptEven, 0);
    EXPECT_EQ(WalkIdList(), segments);
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
std::int32_t ReadyLeavingAListOpen()
{
    ZelIddOpenApIdData(0, 1);
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

INSTANTIATE_TEST_SUITE_P(
    Cases, ProtocolBreach,
    ::testing::Values(Breach{ReadyWithoutExecute, false, "registered no execute function"},
                      Breach{ReadyAdvancingBlindly, true, "advance without a new ready function"},
                      Breach{ReadyWithReservedText, false, "second argument other than the empty text"},
                      Breach{ReadyLeavingAListOpen, false, "returned with an id list still open"}));

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

using Lines = std::vector<std::string>;

int ExecuteCalls = 0;
std::int32_t CountingExecute(std::int32_t, ZelEvent)
{
    ++ExecuteCalls;
    return stay;
}
std::int32_t CountingReady()
{
    ZelCtlSetExecuteFunc(CountingExecute, L"");
    return 0;
}

struct HostEnding {
    std::int32_t (*end)();
    const char* line;
};

class HostEndsThePass : public HostFixture, public ::testing::WithParamInterface<HostEnding> {};

TEST_P(HostEndsThePass, WithoutCallingThePlugIn)
{
    ZhdStartAt(CountingReady);
    ZelMsgPutMessage(L"prompt");
    ExecuteCalls = 0;
    TakeTranscript();
    EXPECT_EQ(GetParam().end(), 0);
    EXPECT_FALSE(ZhdIsCommandRunning());
    EXPECT_EQ(ExecuteCalls, 0);
    EXPECT_EQ(TakeTranscript().front(), GetParam().line);
    EXPECT_EQ(zhd::Prompt(), GetParam().end == ZhdCancelCommand ? "" : "주기 위치 지시 :");
    ZhdCancelCommand();
    EXPECT_EQ(ZhdCancelCommand(), -1) << "nothing is left to cancel";
}

INSTANTIATE_TEST_SUITE_P(Cases, HostEndsThePass,
                         ::testing::Values(HostEnding{ZhdCancelCommand, "cancelled"},
                                           HostEnding{ZhdStartTextCommand, "host command: text"}));

TEST_F(HostFixture, TheHostsTextCommandPlacesTheKeyInAtThePointUnderFreshIds)
{
    // The largest segment id leaves no room above it: the smallest free one is taken.
    DrawingBuilder().Annotation(1, 10, 0, 0, L"a").Annotation(INT32_MAX, 20, 0, 0, L"b").Load();
    ASSERT_EQ(ZhdStartTextCommand(), 0);
    EXPECT_EQ(ZhdSendKeyin(L"early"), stay);
    EXPECT_EQ(ZhdSendConfirm(), stay);
    EXPECT_EQ(ZhdSendPoint(5, -6.25), advance);
    EXPECT_EQ(ZhdSendPick(10), stay);
    EXPECT_EQ(ZhdSendKeyin(L"문 D1"), finish);
    EXPECT_FALSE(ZhdIsTextCommandRunning());
    EXPECT_EQ(TakeTranscript(), (Lines{"host command: text", "prompt: 주기 위치 지시 :", "keyin to the host: early",
                                       "prompt: 주기 문자 입력 :", "keyin to the host: 문 D1",
                                       "placed: segment 2, element 21 at 5 -6.25"}));
    EXPECT_NE(zhd::DrawingJson().find("\n{\"id\":2,\"qualifier\":0,\"elements\":[{\"id\":21,\"type\":33,\"x\":5.0,"
                                      "\"y\":-6.25,\"text\":\"문 D1\"}]}"),
              std::string::npos)
        << zhd::DrawingJson();
    EXPECT_EQ(zhd::Prompt(), "") << "the host clears its prompt as it ends";

    // Starting the plug-in's command ends the host's, and events go to the plug-in again.
    ZhdStartTextCommand();
    ZhdStartAt(CountingReady);
    EXPECT_FALSE(ZhdIsTextCommandRunning());
    ExecuteCalls = 0;
    ZhdSendKeyin(L"x");
    EXPECT_EQ(ExecuteCalls, 1);
}

std::int32_t CancelResult = 0;
std::int32_t CancellingExecute(std::int32_t, ZelEvent)
{
    ZelCtlSetReadyFunc(CountingReady, L"");
    CancelResult = ZhdCancelCommand();
    return advance;
}
std::int32_t CancellingReady()
{
    ZelCtlSetExecuteFunc(CancellingExecute, L"");
    return 0;
}

TEST_F(HostFixture, TheHostEndsNoPassWhileThePlugInHandlesAnEvent)
{
    ZhdStartAt(CancellingReady);
    EXPECT_EQ(ZhdSendConfirm(), advance);
    EXPECT_EQ(CancelResult, -1);
    EXPECT_TRUE(ZhdIsCommandRunning()) << "the pass goes on at the ready function the plug-in set";
}

// The host window's keys, its key-in line and a click, given as the window's own messages.
class HostWindowInput : public HostFixture {
protected:
    void SetUp() override
    {
        HostFixture::SetUp();
        DrawingBuilder().Annotation(1, 10, 0, 0, L"a").Other(2, 20, 100, 100).Load();
        ASSERT_NE(ZhdCreateWindow(), nullptr);
        ZhdFitView();
        ZhdFocusKeyinLine();
        keyinLine_ = GetFocus();
        ASSERT_NE(keyinLine_, nullptr);
    }
    void Key(WPARAM key) { SendMessageW(keyinLine_, WM_KEYDOWN, key, 0); }
    void Enter(const wchar_t* text)
    {
        SetWindowTextW(keyinLine_, text);
        Key(VK_RETURN);
    }
    void Click(double x, double y)
    {
        std::int32_t screenX = 0, screenY = 0;
        ASSERT_EQ(ZhdScreenPointOf(x, y, &screenX, &screenY), 0);
        HWND window = GetParent(keyinLine_);
        POINT pixel{screenX, screenY};
        ScreenToClient(window, &pixel);
        SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pixel.x, pixel.y));
    }

    HWND keyinLine_ = nullptr;
};

TEST_F(HostWindowInput, HandsOnEveryLineAndDrivesTheHostsCommand)
{
    Enter(L"stray");
    Enter(L"");  // a confirm with no command running goes nowhere
    Key(VK_F3);
    Enter(L"early");
    Click(40, 30);
    Enter(L"주기");
    Key(VK_F3);
    Key(VK_ESCAPE);
    Key(VK_ESCAPE);  // nothing left to cancel
    Lines lines = TakeTranscript();
    ASSERT_EQ(lines.size(), 10u) << ::testing::PrintToString(lines);
    EXPECT_EQ(Lines(lines.begin(), lines.begin() + 6), (Lines{"keyin to no command: stray", "host command: text",
                                                              "prompt: 주기 위치 지시 :", "keyin to the host: early",
                                                              "prompt: 주기 문자 입력 :", "keyin to the host: 주기"}));
    EXPECT_EQ(lines[6].rfind("placed: segment 3, element 21 at ", 0), 0u) << lines[6];
    EXPECT_EQ(Lines(lines.begin() + 7, lines.end()),
              (Lines{"host command: text", "prompt: 주기 위치 지시 :", "cancelled"}));
    auto placed = nlohmann::json::parse(zhd::DrawingJson())["segments"][2]["elements"][0];
    EXPECT_NEAR(placed["x"].get<double>(), 40, 1) << "where the click was";
    EXPECT_NEAR(placed["y"].get<double>(), 30, 1);
    EXPECT_EQ(TextOf(21), L"주기");
}

// A folder of its own in the temporary folder, removed with what is left in it.
class ScratchFolder {
public:
    ScratchFolder()
    {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        path_ = std::wstring(temp) + L"zelhost-test-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~ScratchFolder()
    {
        for (const std::wstring& name : Files())
            DeleteFileW((path_ + L"\\" + name).c_str());
        RemoveDirectoryW(path_.c_str());
    }
    std::wstring Path(const std::wstring& name) const { return path_ + L"\\" + name; }
    std::vector<std::wstring> Files() const
    {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((path_ + L"\\*").c_str(), &found);
        for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found))
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                names.push_back(found.cFileName);
        if (search != INVALID_HANDLE_VALUE)
            FindClose(search);
        return names;
    }

private:
    std::wstring path_;
};

TEST_F(StandInHost, SavingWritesTheWholeFileOrNothing)
{
    DrawingBuilder().Annotation(1, 10, 0, 0, L"문자").Load();
    ScratchFolder folder;
    ASSERT_EQ(ZhdSaveDrawingFile(folder.Path(L"out.json").c_str()), 0) << zhd::LastError();
    ZhdReset();
    ASSERT_EQ(ZhdLoadDrawingFile(folder.Path(L"out.json").c_str()), 0) << zhd::LastError();
    EXPECT_EQ(TextOf(10), L"문자");
    EXPECT_EQ(folder.Files(), std::vector<std::wstring>{L"out.json"}) << "no temporary file left";

    EXPECT_NE(ZhdSaveDrawingFile(folder.Path(L"no-such-folder\\out.json").c_str()), 0);
    EXPECT_EQ(folder.Files(), std::vector<std::wstring>{L"out.json"});
}

zelhost::Drawing DrawingOf(const std::wstring& text)
{
    zelhost::Drawing drawing;
    for (int i = 1; i <= 4000; ++i) {
        zelhost::Segment segment;
        segment.id = i;
        segment.elements.push_back(zelhost::Element{i * 10, AnnotationElementType, 1.0 * i, 0, text, nullptr});
        drawing.AddSegment(std::move(segment));
    }
    return drawing;
}

TEST(SavingDrawings, TwoWritersAtOnceLeaveOneWholeDrawingAndTheLoserSaysSo)
{
    const zelhost::Drawing first = DrawingOf(L"첫째 writer"), second = DrawingOf(L"둘째 writer");
    const std::string firstJson = first.SaveJson(), secondJson = second.SaveJson();
    ScratchFolder folder;
    const std::wstring path = folder.Path(L"out.json");
    int refusals = 0;
    for (int trial = 0; trial < 20; ++trial) {
        std::atomic<int> ready{0};
        std::string errors[2];
        auto save = [&](const zelhost::Drawing& drawing, std::string& error) {
            ++ready;
            while (ready < 2) {}
            try {
                drawing.SaveFile(path);
            } catch (const zelhost::DrawingError& e) {
                error = e.what();
            }
        };
        std::thread a(save, std::cref(first), std::ref(errors[0]));
        std::thread b(save, std::cref(second), std::ref(errors[1]));
        a.join();
        b.join();
        std::string saved;
        ASSERT_TRUE(zelhost::ReadFileBytes(path, saved));
        ASSERT_TRUE(saved == firstJson || saved == secondJson) << "trial " << trial << ": a mix of both writers";
        for (const std::string& error : errors) {
            if (!error.empty()) {
                EXPECT_NE(error.find("another save of this file is under way"), std::string::npos) << error;
                ++refusals;
            }
        }
        ASSERT_FALSE(!errors[0].empty() && !errors[1].empty()) << "one of the two saves";
        EXPECT_EQ(folder.Files(), std::vector<std::wstring>{L"out.json"}) << "trial " << trial;
    }
    std::printf("two writers at once: %d of 20 trials refused one writer\n", refusals);
}

}  // namespace
