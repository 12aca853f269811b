// The start of the command: the first prompt, the range prompts and the step into browsing.
#include "tests/support/TestSupport.h"

#include "command/Command.h"
#include "command/Matches.h"
#include "hook/KeyHook.h"
#include "plugin/Startup.h"
#include "settings/SettingsStore.h"

#include <windows.h>

#include <algorithm>

namespace {

// Nothing escapes a function that the host or Windows calls: each is declared noexcept, and these
// stop compiling when one is not.
template <class Function>
constexpr bool IsNoexcept = false;
template <class Result, class... Arguments>
constexpr bool IsNoexcept<Result (*)(Arguments...) noexcept> = true;
template <auto... Functions>
constexpr bool AllNoexcept = (IsNoexcept<decltype(Functions)> && ...);

template <Chain C>
constexpr bool ChainNoexcept =
    AllNoexcept<SearchInputReady<C>, SearchInputExecute<C>, RangeReady<C>, RangeExecute<C>, SecondCornerReady<C>,
                SecondCornerExecute<C>, BrowseReady<C>, BrowseExecute<C>>;
static_assert(ChainNoexcept<Chain::Identical> && ChainNoexcept<Chain::Contains>);
static_assert(AllNoexcept<Startup, StartCommand, SecondCallback, UnloadPlugin, AcceptAllFilter, IdenticalTextFilter,
                          ContainsTextFilter, KeyHookProc>);

using Lines = std::vector<std::string>;

const std::string SearchPrompt = "prompt: 검색할 주기입력/주기선택(확정-설정창Open) :";
const std::string RangePrompt = "prompt: 범위지시(확정:도면전체) : ";
const std::string CornerPrompt = "prompt: 범위지시 : ";
const std::string BrowsePrompt = "prompt: 변경할 주기입력/주기선택 ('->':다음주기 '<-':이전주기 'DEL키':삭제) :";

class Command : public HostTest {
protected:
    void SetUp() override
    {
        HostTest::SetUp();
        AFX_MODULE_STATE* own = AfxGetStaticModuleState();
        own->m_hCurrentInstanceHandle = GetModuleHandleW(nullptr);
        own->m_hCurrentResourceHandle = LoadLibraryExW(L"Sorvane.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
        StoreMethod(L"0");
        ASSERT_EQ(Startup(), 0);
        DrawingBuilder()
            .Annotation(1, 10, 0, 0, L"Door")
            .Annotation(2, 20, 40, 30, L"DOOR")
            .Annotation(3, 30, 100, 100, L"door")
            .Annotation(4, 40, 50, 50, L"Door frame")
            .Other(5, 50, 10, 10)
            .Load();
    }
    void TearDown() override
    {
        RemoveKeyHook();
        HostTest::TearDown();
    }

    // Starts the command and keys in the search text, leaving it at the range prompt.
    void StartWith(const wchar_t* searchText)
    {
        ZhdStartCommand();
        ASSERT_EQ(ZhdSendKeyin(searchText), advance);
        TakeTranscript();
    }
};

struct FirstPrompt {
    const wchar_t* method;
    const char* cursor;
};

class FirstPromptOfEachChain : public Command, public ::testing::WithParamInterface<FirstPrompt> {};

TEST_P(FirstPromptOfEachChain, AsksForTheSearchText)
{
    StoreMethod(GetParam().method);
    EXPECT_EQ(ZhdStartCommand(), 0);
    EXPECT_EQ(TakeTranscript(), (Lines{std::string("cursor: ") + GetParam().cursor, SearchPrompt}));
    EXPECT_EQ(CallsOf("ZelIddClearSysIdData").size(), 1u);
    EXPECT_EQ(CallsOf("ZelEvtSetEventMask"), Lines{"ZelEvtSetEventMask 0x1000800"});
    EXPECT_EQ(CallsOf("ZelEvtSetObject"), Lines{"ZelEvtSetObject 8 0 0 17 0"});
}

INSTANTIATE_TEST_SUITE_P(Cases, FirstPromptOfEachChain,
                         ::testing::Values(FirstPrompt{L"0", "동일"}, FirstPrompt{L"1", "포함"},
                                           FirstPrompt{L"2", "포함"}, FirstPrompt{L"-1", "포함"}));

TEST_F(Command, APickedAnnotationsTextBecomesTheSearchText)
{
    ZhdStartCommand();
    TakeTranscript();
    EXPECT_EQ(ZhdSendPick(40), advance);
    EXPECT_EQ(SearchText, L"Door frame");
    EXPECT_EQ(TakeTranscript(), (Lines{"result: advance", RangePrompt}));
    EXPECT_EQ(CallsOf("ZelEvtSetEventMask").back(), "ZelEvtSetEventMask 0x20000");
}

TEST_F(Command, AKeyInIsTheSearchTextExactlyEvenANavigationWord)
{
    ZhdStartCommand();
    EXPECT_EQ(ZhdSendKeyin(L" ZOOMN "), advance);
    EXPECT_EQ(SearchText, L" ZOOMN ");
    ZhdStartCommand();
    EXPECT_EQ(ZhdSendKeyin(L""), advance);
    EXPECT_EQ(SearchText, L"");
}

struct WrongFirstEvent {
    int fault;  // 0 none, 1 comment -1, 2 null text
    bool dataPoint;
    const char* error;
};

class FirstPromptRefusal : public Command, public ::testing::WithParamInterface<WrongFirstEvent> {};

TEST_P(FirstPromptRefusal, EndsTheRunWithAnError)
{
    ZhdStartCommand();
    TakeTranscript();
    if (GetParam().fault == 1)
        ZhdFaultComment(40, -1);
    if (GetParam().fault == 2)
        ZhdFaultCommentNullText(40);
    EXPECT_EQ(GetParam().dataPoint ? ZhdSendPoint(1, 1) : ZhdSendPick(40), finish);
    EXPECT_EQ(TakeTranscript(), (Lines{std::string("error: ") + GetParam().error, "result: finish"}));
}

INSTANTIATE_TEST_SUITE_P(Cases, FirstPromptRefusal,
                         ::testing::Values(WrongFirstEvent{1, false, "주기정보를 확인할 수 없습니다."},
                                           WrongFirstEvent{2, false, "주기정보를 확인할 수 없습니다."},
                                           WrongFirstEvent{0, true, "잘못된 선택입니다."}));

TEST_F(Command, OtherEventsKeepEachPromptWaiting)
{
    ZhdStartCommand();
    EXPECT_EQ(ZhdSendEvent(9), stay);
    ZhdFaultKeyinNull();  // a key-in event without a text is no search text, not even an empty one
    EXPECT_EQ(ZhdSendKeyin(L""), stay);
    ZhdSendKeyin(L"door");
    EXPECT_EQ(ZhdSendEvent(9), stay);
    EXPECT_EQ(ZhdSendKeyin(L"x"), stay);
    EXPECT_EQ(ZhdSendPick(10), stay);
    ZhdSendPoint(0, 0);
    EXPECT_EQ(ZhdSendConfirm(), stay);
    EXPECT_EQ(ZhdSendPick(10), stay);
    EXPECT_EQ(TakeTranscript(),
              (Lines{"cursor: 동일", SearchPrompt, "result: stay", "result: stay", "result: advance", RangePrompt,
                     "result: stay", "result: stay", "error: 잘못된 선택입니다.", "result: stay", "result: advance",
                     CornerPrompt, "result: stay", "error: 잘못된 선택입니다.", "result: stay"}));
    EXPECT_EQ(CallsOf("ZelEvtSetEcho"), Lines{"ZelEvtSetEcho 2 0 0"});
}

TEST_F(Command, TheSecondCornerPromptSetsItsMaskThenItsEchoThenItsPrompt)
{
    StartWith(L"door");
    ZhdSendPoint(3, 4);
    Lines log = zhd::CallLog();
    auto ready = std::find(log.rbegin(), log.rend(), "ZelCtlSetReadyFunc").base();
    EXPECT_EQ(Lines(ready, log.end()), (Lines{"ZelEvtSetEventMask 0x20000", "ZelEvtSetEcho 2 3 4",
                                              "ZelMsgPutMessage \"범위지시 : \"", "ZelCtlSetExecuteFunc"}));
}

TEST_F(Command, NoMatchEndsTheRunWithoutBlinkZoomOrHook)
{
    StartWith(L"window");
    EXPECT_EQ(ZhdSendConfirm(), finish);
    EXPECT_EQ(TakeTranscript(), (Lines{"messagebox: 동일한 주기가 없습니다.", "result: finish"}));
    EXPECT_EQ(HookHandle.Get(), nullptr);
    StoreMethod(L"1");
    StartWith(L"window");
    ZhdSendPoint(0, 0);
    TakeTranscript();
    EXPECT_EQ(ZhdSendPoint(100, 100), finish);
    EXPECT_EQ(TakeTranscript(), (Lines{"messagebox: 동일한 주기가 없습니다.", "result: finish"}));
}

TEST_F(Command, MatchesOverTheWholeDrawingBlinkAreAnnouncedAndFramed)
{
    StartWith(L"door");
    CurrentIndex = 2;  // where an earlier pass left it
    EXPECT_EQ(ZhdSendConfirm(), advance);
    EXPECT_EQ(TakeTranscript(), (Lines{"blink: 0/1 0/2 0/3", "info: 총 3개의 주기를 발견하였습니다.[ 0/3 ]",
                                       "zoom: -10 -10 110 110", "result: advance", "cursor: ←→", BrowsePrompt}));
    EXPECT_NE(HookHandle.Get(), nullptr);
    EXPECT_EQ(CurrentIndex, 0);
}

struct Corners {
    double x1, y1, x2, y2;
    const char* search;
    Lines found;
};

class RangeWindow : public Command, public ::testing::WithParamInterface<Corners> {};

TEST_P(RangeWindow, IsBuiltFromTwoCornersInEitherOrder)
{
    const Corners& c = GetParam();
    StartWith(Wide(c.search).c_str());
    ZhdSendPoint(c.x1, c.y1);
    ZhdSendPoint(c.x2, c.y2);
    Lines transcript = TakeTranscript();
    transcript.resize(std::min(transcript.size(), c.found.size()));
    EXPECT_EQ(transcript, c.found);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RangeWindow,
    ::testing::Values(
        Corners{100, 100, 0, 0, "door", {"result: advance", CornerPrompt, "blink: 0/1 0/2 0/3"}},
        Corners{0, 0, 100, 100, "door", {"result: advance", CornerPrompt, "blink: 0/1 0/2 0/3"}},
        Corners{100, 0, 0, 100, "door", {"result: advance", CornerPrompt, "blink: 0/1 0/2 0/3"}},
        Corners{40, 50, 40, 0, "door", {"result: advance", CornerPrompt, "blink: 0/2"}},
        Corners{39.9, 50, 39.9, 0, "door", {"result: advance", CornerPrompt, "messagebox: 동일한 주기가 없습니다."}}));

TEST_F(Command, ASecondRunStartsFromNoMatches)
{
    StartWith(L"door");
    ZhdSendConfirm();
    ZhdSendConfirm();
    StartWith(L"Door frame");
    ZhdSendConfirm();
    EXPECT_EQ(MatchCount, 1);
    EXPECT_EQ(MatchTable[1].segmentId, 4);
}

TEST_F(Command, TheContainsChainCollectsEveryTextHoldingTheSearchText)
{
    StoreMethod(L"2");
    StartWith(L"Door");
    ZhdSendConfirm();
    EXPECT_EQ(TakeTranscript().front(), "blink: 0/1 0/4");
}

struct Settings {
    std::vector<const char*> answers;
    std::int32_t methodAfter;
    const char* nextCursor;
};

class SettingsOnConfirm : public Command, public ::testing::WithParamInterface<Settings> {};

TEST_P(SettingsOnConfirm, OpensTheDialogAndEndsTheRun)
{
    ZhdStartCommand();
    for (const char* answer : GetParam().answers)
        ZhdQueueDialogAnswer(answer);
    EXPECT_EQ(ZhdSendConfirm(), finish);
    EXPECT_EQ(ZhdPendingDialogAnswers(), 0);
    EXPECT_EQ(SearchMethod, GetParam().methodAfter);
    TakeTranscript();
    ZhdStartCommand();
    EXPECT_EQ(TakeTranscript().front(), std::string("cursor: ") + GetParam().nextCursor) << "the next run's chain";
}

INSTANTIATE_TEST_SUITE_P(Cases, SettingsOnConfirm,
                         ::testing::Values(Settings{{"click 15001", "ok"}, 1, "포함"},
                                           Settings{{"click 15001", "cancel"}, 0, "포함"},
                                           Settings{{"ok"}, 0, "동일"}));

}  // namespace
