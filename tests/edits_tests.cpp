// The bulk edits, and occurrence replacement against a reference model.
#include "tests/support/TestSupport.h"

#include "command/Edits.h"
#include "command/Matches.h"

#include <algorithm>
#include <map>
#include <random>

namespace {

struct Occurrences {
    const wchar_t* text;
    const wchar_t* find;
    const wchar_t* with;
    const wchar_t* expected;
};

class Replacement : public ::testing::TestWithParam<Occurrences> {};

TEST_P(Replacement, ReplacesEachOccurrenceOnceLeftToRight)
{
    const Occurrences& c = GetParam();
    EXPECT_EQ(ReplaceOccurrences(c.text, c.find, c.with), c.expected)
        << "text " << Utf8(c.text) << ", find " << Utf8(c.find) << ", with " << Utf8(c.with);
}

INSTANTIATE_TEST_SUITE_P(Cases, Replacement,
                         ::testing::Values(Occurrences{L"abab", L"ab", L"x", L"xx"},
                                           Occurrences{L"aaa", L"aa", L"", L"a"},
                                           Occurrences{L"b", L"b", L"abc", L"abc"},
                                           Occurrences{L"abc ABC", L"abc", L"", L" ABC"},
                                           Occurrences{L"abc", L"", L"x", L"abc"}, Occurrences{L"", L"a", L"x", L""},
                                           Occurrences{L"창문 창", L"창", L"문", L"문문 문"},
                                           Occurrences{L"x\U0001F600y\U0001F600", L"\U0001F600", L"-", L"x-y-"}));

// The obvious quadratic model: scan from the left, skip each found occurrence whole.
std::wstring ReferenceReplace(const std::wstring& text, const std::wstring& find, const std::wstring& with)
{
    if (find.empty())
        return text;
    std::wstring out;
    size_t i = 0;
    while (i < text.size()) {
        if (text.compare(i, find.size(), find) == 0) {
            out += with;
            i += find.size();
        } else {
            out += text[i++];
        }
    }
    return out;
}

TEST(ReplacementModel, AgreesWithTheReferenceOnRandomTexts)
{
    // A tiny alphabet makes overlaps and adjacent occurrences common; the surrogate pair
    // (U+1F600) shows that code units are matched as a whole string.
    const std::wstring alphabet[] = {L"a", L"b", L"\U0001F600"};
    std::mt19937 random(20261209);
    auto randomText = [&](int maxPieces) {
        std::wstring text;
        for (int n = std::uniform_int_distribution<int>(0, maxPieces)(random); n > 0; --n)
            text += alphabet[std::uniform_int_distribution<int>(0, 2)(random)];
        return text;
    };
    for (int i = 0; i < 20000; ++i) {
        std::wstring text = randomText(12), find = randomText(3), with = randomText(3);
        ASSERT_EQ(ReplaceOccurrences(text, find, with), ReferenceReplace(text, find, with))
            << "case " << i << ": text " << Utf8(text) << ", find " << Utf8(find) << ", with " << Utf8(with);
    }
}

class BulkEdit : public HostTest {
protected:
    void SetUp() override
    {
        HostTest::SetUp();
        DrawingBuilder()
            .Annotation(1, 10, 0, 0, L"abab")
            .Annotation(2, 20, 0, 0, L"xabx")
            .Annotation(3, 30, 0, 0, L"ab")
            .Annotation(4, 40, 0, 0, L"ab ")
            .Annotation(5, 50, 0, 0, L"other")  // never a match: must stay as it is
            .Other(6, 60, 0, 0)
            .Load();
        SearchText = L"ab";
        CollectMatches(nullptr, Chain::Contains);
        ASSERT_EQ(MatchCount, 4);
        before_ = zhd::DrawingJson();
    }

    // The saved drawing is the original with the given texts changed and segments gone,
    // everything else kept.
    void ExpectDrawing(std::initializer_list<std::pair<int, std::wstring>> texts, std::initializer_list<int> gone)
    {
        std::string actual = zhd::DrawingJson();
        EXPECT_EQ(actual, Expected(texts, gone));
    }

    std::string Expected(std::initializer_list<std::pair<int, std::wstring>> texts, std::initializer_list<int> gone)
    {
        DrawingBuilder drawing;
        std::map<int, std::wstring> text = {{10, L"abab"}, {20, L"xabx"}, {30, L"ab"}, {40, L"ab "}, {50, L"other"}};
        for (const auto& [element, t] : texts)
            text[element] = t;
        for (int segment = 1; segment <= 5; ++segment) {
            if (std::find(gone.begin(), gone.end(), segment) == gone.end())
                drawing.Annotation(segment, segment * 10, 0, 0, text[segment * 10]);
        }
        drawing.Other(6, 60, 0, 0);
        EXPECT_EQ(zhd::Violations(), std::vector<std::string>{});
        ZhdReset();
        drawing.Load();
        return zhd::DrawingJson();
    }

    std::string before_;
};

TEST_F(BulkEdit, ReplaceAllTextSetsEveryMatchEvenToTheEmptyText)
{
    ZhdFaultComment(20, -1);  // it writes without reading: an unreadable match is written too
    ReplaceAllText(L"");
    ExpectDrawing({{10, L""}, {20, L""}, {30, L""}, {40, L""}}, {});
}

TEST_F(BulkEdit, ReplaceSubstringInAllWritesEveryReadableMatch)
{
    ZhdFaultComment(20, -1);
    ReplaceSubstringInAll(L"Q");
    ExpectDrawing({{10, L"QQ"}, {30, L"Q"}, {40, L"Q "}}, {});
}

TEST_F(BulkEdit, DeleteSubstringFromAllDeletesSegmentsLeftEmptyAndKeepsBlanks)
{
    ASSERT_TRUE(DeleteSubstringFromAll());
    ExpectDrawing({{20, L"xx"}, {40, L" "}}, {1, 3});
}

TEST_F(BulkEdit, DeleteSubstringFromAllStopsAtTheFirstFailedDeletion)
{
    ZhdFaultDelete(1);
    EXPECT_FALSE(DeleteSubstringFromAll());
    EXPECT_EQ(zhd::DrawingJson(), before_) << "the first match fails: nothing after it is touched";
}

TEST_F(BulkEdit, DeleteMatchedSegmentsStopsAtTheFirstFailureKeepingEarlierDeletions)
{
    ZhdFaultDelete(3);
    EXPECT_FALSE(DeleteMatchedSegments());
    ExpectDrawing({}, {1, 2});
}

TEST_F(BulkEdit, DeleteMatchedSegmentsDeletesEveryMatch)
{
    EXPECT_TRUE(DeleteMatchedSegments());
    ExpectDrawing({}, {1, 2, 3, 4});
}

TEST_F(BulkEdit, AnEmptySearchTextChangesNoText)
{
    SearchText.clear();
    ReplaceSubstringInAll(L"Q");
    EXPECT_EQ(zhd::DrawingJson(), before_);
}

}  // namespace
