// The browse state of both chains: stepping, the key-in words, picks and the ending edits.
#include "tests/support/TestSupport.h"

#include "command/Command.h"

namespace {

using Lines = std::vector<std::string>;

const std::string BrowsePrompt = "prompt: 변경할 주기입력/주기선택 ('->':다음주기 '<-':이전주기 'DEL키':삭제) :";

class Browsing : public HostTest {
protected:
    // Three matches of "문" (segments 1 to 3) and two annotations that never match.
    void Enter(Chain chain, const std::wstring& searchText = L"문")
    {
        DrawingBuilder()
            .Annotation(1, 10, 0, 0, L"문")
            .Annotation(2, 20, 100, 50, L"문")
            .Annotation(3, 30, 300, -20, L"문")
            .Annotation(4, 40, 5, 5, L"창문")
            .Other(5, 50, 1, 1)
            .Load();
        EnterBrowseDirectly(chain, searchText);
        EXPECT_EQ(TakeTranscript(), (Lines{"cursor: ←→", BrowsePrompt}));
    }
};

TEST_F(Browsing, NextRunsCyclicallyThroughEveryMatchAndAllOfThem)
{
    Enter(Chain::Identical);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(ZhdSendKeyin(L"ZOOMN"), stay);
    EXPECT_EQ(TakeTranscript(),
              (Lines{"zoom: -100 -100 100 100", "info: 총 3개의 주기를 발견하였습니다.[ 1/3 ]", "result: stay",
                     "zoom: 0 -50 200 150", "info: 총 3개의 주기를 발견하였습니다.[ 2/3 ]", "result: stay",
                     "zoom: 200 -120 400 80", "info: 총 3개의 주기를 발견하였습니다.[ 3/3 ]", "result: stay",
                     "zoom: -10 -30 310 60", "info: 총 3개의 주기를 발견하였습니다.[ 0/3 ]", "result: stay"}));
    ZhdSendKeyin(L"ZOOMP");
    EXPECT_EQ(CurrentIndex, 3) << "previous from all matches is the last match";
    ZhdSendKeyin(L"ZOOMP");
    EXPECT_EQ(CurrentIndex, 2);
}

TEST_F(Browsing, OneMatchAlternatesBetweenItselfAndAllMatches)
{
    DrawingBuilder().Annotation(1, 10, 7, 8, L"문").Load();
    EnterBrowseDirectly(Chain::Contains, L"문");
    TakeTranscript();
    ZhdSendKeyin(L"zoomn");
    ZhdSendKeyin(L"zoomn");
    EXPECT_EQ(TakeTranscript(),
              (Lines{"zoom: -93 -92 107 108", "info: 총 1개의 주기를 발견하였습니다.[ 1/1 ]", "result: stay",
                     "zoom: -3 -2 17 18", "info: 총 1개의 주기를 발견하였습니다.[ 0/1 ]", "result: stay"}));
}

TEST_F(Browsing, AMatchDeletedMeanwhileMovesTheIndexButNotTheView)
{
    Enter(Chain::Identical);
    ZelSgmDeleteSegment(1);
    EXPECT_EQ(ZhdSendKeyin(L"ZOOMN"), stay);
    EXPECT_EQ(CurrentIndex, 1);
    EXPECT_EQ(TakeTranscript(), Lines{"result: stay"});
    ZhdSendKeyin(L"ZOOMN");
    EXPECT_EQ(TakeTranscript(),
              (Lines{"zoom: 0 -50 200 150", "info: 총 3개의 주기를 발견하였습니다.[ 2/3 ]", "result: stay"}));
}

struct Word {
    const wchar_t* keyin;
    int index;  // where one key-in from all matches lands; -1: the key-in is a replacement
};

class BrowseWords : public Browsing, public ::testing::WithParamInterface<Word> {};

TEST_P(BrowseWords, AreWholeTextsComparedWithoutRegardToCase)
{
    Enter(Chain::Identical);
    std::int32_t result = ZhdSendKeyin(GetParam().keyin);
    if (GetParam().index >= 0) {
        EXPECT_EQ(result, stay);
        EXPECT_EQ(CurrentIndex, GetParam().index);
        EXPECT_EQ(TextOf(10), L"문");
    } else {
        EXPECT_EQ(result, finish);
        EXPECT_EQ(TextOf(10), GetParam().keyin) << "taken as the replacement";
        EXPECT_EQ(TextOf(30), GetParam().keyin);
        EXPECT_EQ(TextOf(40), L"창문");
        EXPECT_EQ(TakeTranscript(), (Lines{"messagebox: 총 3개의 주기를 수정하였습니다.", "result: finish"}));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, BrowseWords,
                         ::testing::Values(Word{L"ZOOMN", 1}, Word{L"zoomn", 1}, Word{L"ZoOmN", 1},
                                           Word{L"캐ㅐㅡㅜ", 1}, Word{L"ZOOMP", 3}, Word{L"zoomp", 3},
                                           Word{L"zOOmP", 3}, Word{L"캐ㅐㅡㅔ", 3}, Word{L"ZOOMNX", -1},
                                           Word{L"ZOOMN ", -1}, Word{L" zoomp", -1}, Word{L"ZOOM", -1},
                                           Word{L"캐ㅐㅡ", -1}, Word{L"", -1}));

class DeleteWords : public Browsing, public ::testing::WithParamInterface<const wchar_t*> {};

TEST_P(DeleteWords, DeleteEveryMatchedSegment)
{
    Enter(Chain::Identical);
    EXPECT_EQ(ZhdSendKeyin(GetParam()), finish);
    EXPECT_EQ(TakeTranscript(), (Lines{"messagebox: 총 3개의 주기를 삭제하였습니다.", "result: finish"}));
    EXPECT_FALSE(SegmentExists(1));
    EXPECT_FALSE(SegmentExists(3));
    EXPECT_TRUE(SegmentExists(4));
    EXPECT_TRUE(SegmentExists(5));
}

INSTANTIATE_TEST_SUITE_P(Cases, DeleteWords, ::testing::Values(L"ZOOMD", L"zoomd", L"ZooMd", L"캐ㅐㅡㅇ"));

TEST_F(Browsing, IdenticalDeleteStopsAtAFailingSegment)
{
    Enter(Chain::Identical);
    ZhdFaultDelete(2);
    EXPECT_EQ(ZhdSendKeyin(L"ZOOMD"), finish);
    EXPECT_EQ(TakeTranscript(), (Lines{"messagebox: 오류가 발생하였습니다.", "result: finish"}));
    EXPECT_FALSE(SegmentExists(1));
    EXPECT_TRUE(SegmentExists(2));
    EXPECT_TRUE(SegmentExists(3));
}

TEST_F(Browsing, ContainsDeleteRemovesTheTextAndReportsEveryMatch)
{
    Enter(Chain::Contains);
    EXPECT_EQ(ZhdSendKeyin(L"zoomd"), finish);
    EXPECT_EQ(TakeTranscript(), (Lines{"messagebox: 총 4개의 포함 문자를 삭제하였습니다.", "result: finish"}));
    EXPECT_FALSE(SegmentExists(1));
    EXPECT_EQ(TextOf(40), L"창");
    EXPECT_TRUE(SegmentExists(5));
}

TEST_F(Browsing, ContainsDeleteFailingInTheMiddleReportsAnError)
{
    Enter(Chain::Contains);
    ZhdFaultDelete(2);
    EXPECT_EQ(ZhdSendKeyin(L"ZOOMD"), finish);
    EXPECT_EQ(TakeTranscript(), (Lines{"messagebox: 오류가 발생하였습니다.", "result: finish"}));
    EXPECT_FALSE(SegmentExists(1));
    EXPECT_TRUE(SegmentExists(3));
    EXPECT_EQ(TextOf(40), L"창문") << "matches after the failure are not touched";
}

TEST_F(Browsing, ContainsReplacementReplacesTheSearchTextInsideEveryMatch)
{
    Enter(Chain::Contains);
    EXPECT_EQ(ZhdSendKeyin(L"門"), finish);
    EXPECT_EQ(TakeTranscript(), (Lines{"messagebox: 총 4개의 주기를 수정하였습니다.", "result: finish"}));
    EXPECT_EQ(TextOf(20), L"門");
    EXPECT_EQ(TextOf(40), L"창門");
}

TEST_F(Browsing, PickingAnAnnotationTakesItsTextAsTheReplacement)
{
    Enter(Chain::Identical);
    EXPECT_EQ(ZhdSendPick(40), finish);
    EXPECT_EQ(TakeTranscript(), (Lines{"messagebox: 총 3개의 주기를 수정하였습니다.", "result: finish"}));
    EXPECT_EQ(TextOf(10), L"창문");
    EXPECT_EQ(TextOf(30), L"창문");
}

TEST_F(Browsing, PickingInTheContainsChainReplacesOccurrences)
{
    Enter(Chain::Contains);
    EXPECT_EQ(ZhdSendPick(40), finish);
    EXPECT_EQ(TextOf(10), L"창문");
    EXPECT_EQ(TextOf(40), L"창창문");
}

struct BadPick {
    bool nullText;
    std::int32_t result;
};

class UnreadablePick : public Browsing, public ::testing::WithParamInterface<BadPick> {};

TEST_P(UnreadablePick, EndsTheRunWithoutAnEdit)
{
    Enter(Chain::Identical);
    if (GetParam().nullText)
        ZhdFaultCommentNullText(40);
    else
        ZhdFaultComment(40, GetParam().result);
    std::string before = zhd::DrawingJson();
    EXPECT_EQ(ZhdSendPick(40), finish);
    EXPECT_EQ(TakeTranscript(), (Lines{"error: 주기정보를 확인할 수 없습니다.", "result: finish"}));
    EXPECT_EQ(zhd::DrawingJson(), before);
}

INSTANTIATE_TEST_SUITE_P(Cases, UnreadablePick,
                         ::testing::Values(BadPick{false, -1}, BadPick{true, 0}, BadPick{false, 4}));

TEST_F(Browsing, ConfirmEndsTheRunWithNothingChanged)
{
    Enter(Chain::Contains);
    std::string before = zhd::DrawingJson();
    EXPECT_EQ(ZhdSendConfirm(), finish);
    EXPECT_EQ(TakeTranscript(), Lines{"result: finish"});
    EXPECT_EQ(zhd::DrawingJson(), before);
    EXPECT_EQ(zhd::Prompt(), "") << "the host clears its prompt when a pass ends";
}

TEST_F(Browsing, ADataPointIsAnInvalidSelectionThatEndsTheRun)
{
    Enter(Chain::Identical);
    EXPECT_EQ(ZhdSendPoint(1, 2), finish);
    EXPECT_EQ(TakeTranscript(), (Lines{"error: 잘못된 선택입니다.", "result: finish"}));
}

TEST_F(Browsing, OtherEventsWithoutAPointKeepWaiting)
{
    Enter(Chain::Identical);
    EXPECT_EQ(ZhdSendEvent(9), stay);
    EXPECT_EQ(TakeTranscript(), Lines{"result: stay"});
}

TEST_F(Browsing, AnEditFailingPartwayReportsAnErrorAndKeepsWhatItDid)
{
    DrawingBuilder().Annotation(1, 10, 0, 0, L"a").Annotation(2, 20, 0, 0, std::wstring(100000, L'a')).Load();
    EnterBrowseDirectly(Chain::Contains, L"a");
    TakeTranscript();
    // The second match: a hundred thousand occurrences, each replaced by a million characters.
    EXPECT_EQ(ZhdSendKeyin(std::wstring(1000000, L'b').c_str()), finish);
    EXPECT_EQ(TakeTranscript(), (Lines{"messagebox: 오류가 발생하였습니다.", "result: finish"}));
    EXPECT_EQ(TextOf(10).size(), 1000000u) << "the first match was edited before the failure";
    EXPECT_EQ(TextOf(20).size(), 100000u);
}

TEST_F(Browsing, AKeyInWithoutATextChangesNothing)
{
    Enter(Chain::Identical);
    std::string before = zhd::DrawingJson();
    ZhdFaultKeyinNull();
    EXPECT_EQ(ZhdSendKeyin(L""), stay);
    EXPECT_EQ(TakeTranscript(), Lines{"result: stay"});
    EXPECT_EQ(zhd::DrawingJson(), before);
}

}  // namespace
