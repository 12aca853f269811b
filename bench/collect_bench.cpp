// The plug-in's own cost of a search: the identical and the contains filter over a drawing of
// a million annotations, against a baseline filter that makes the same host calls (the type and
// the record) and compares nothing; three runs of each, and for reference a filter that only
// reads each text to its end, as the contains rule must for a text that does not hold the
// search text.
#include "bench/BenchClock.h"

#include "command/CommandState.h"
#include "command/Matches.h"
#include "zelhost/ZelHostDriver.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int Annotations = 1000000;
constexpr int Matches = 300;

std::int32_t BaselineFilter(std::int32_t elementId, std::int32_t segmentId)
{
    if (ZelElmGetType(elementId, segmentId) != AnnotationElementType)
        return 0;
    CommentRecord record{};
    return ZelCmtGetComment(elementId, &record) == 0 && record.text == nullptr;
}

// What any rule that must see a whole text costs at least: the baseline's calls, then the text
// read to its end.
std::int32_t EndFindingFilter(std::int32_t elementId, std::int32_t segmentId)
{
    if (ZelElmGetType(elementId, segmentId) != AnnotationElementType)
        return 0;
    CommentRecord record{};
    if (ZelCmtGetComment(elementId, &record) != 0 || record.text == nullptr)
        return 0;
    const wchar_t* end = record.text;
    while (*end != L'\0')
        ++end;
    return end - record.text < 0;
}

std::wstring RandomText(std::mt19937& random)
{
    static const std::wstring latin = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 -.";
    static const std::wstring korean = L"문창벽방실주방거실화장침대현관계단복도창고층면도";
    std::uniform_int_distribution<int> length(2, 30);
    std::uniform_int_distribution<int> script(0, 1);
    const std::wstring& letters = script(random) ? latin : korean;
    std::uniform_int_distribution<size_t> pick(0, letters.size() - 1);
    std::wstring text;
    for (int n = length(random); n > 0; --n)
        text += letters[pick(random)];
    return text;
}

// A whole-drawing search with `filter`, as a piece of work to time.
auto Search(ElementFilter filter)
{
    return [filter] { ZelSgmSearchSegment2(nullptr, filter, 0); };
}

constexpr int Pairs = 15;
constexpr int Tries = 3;
constexpr int Runs = 3;
constexpr double Target = 1.1;
constexpr double Agreement = 0.1;

}  // namespace

int main()
{
    ZhdSetCallLogging(0);
    std::mt19937 random(42);
    const std::wstring searchText = L"주방 창 W-12";
    for (int i = 1; i <= Annotations; ++i) {
        bool match = i % (Annotations / Matches) == 0;
        std::wstring text = match ? (i % 2 ? L"주방 창 w-12" : L"1층 주방 창 W-12 상세") : RandomText(random);
        ZhdAddSegment(i, 0, i * 10, AnnotationElementType, i % 1000, i / 1000, text.c_str());
    }
    SearchText = searchText;

    auto baseline = Search(BaselineFilter);
    double baselineSeconds = Seconds(baseline);
    std::printf("annotations: %d\n", Annotations);
    std::printf("baseline: %.1f ns/element\n", baselineSeconds / Annotations * 1e9);
    // Three runs of each, taking turns, so that a busy stretch of the machine falls on both.
    struct Filter {
        const char* name;
        ElementFilter filter;
        std::vector<double> medians;
    };
    Filter filters[] = {{"identical", IdenticalTextFilter, {}}, {"contains", ContainsTextFilter, {}}};
    for (int run = 1; run <= Runs; ++run) {
        for (Filter& f : filters) {
            RatioSpread ratio = InterleavedRatio(Pairs, baseline, Search(f.filter), Tries);
            PrintRatio((std::string(f.name) + "/baseline, run " + std::to_string(run)).c_str(), ratio);
            f.medians.push_back(ratio.median);
        }
    }
    PrintRatio("a text read to its end/baseline", InterleavedRatio(Pairs, baseline, Search(EndFindingFilter), Tries));
    for (const Filter& f : filters) {
        auto [low, high] = std::minmax_element(f.medians.begin(), f.medians.end());
        std::printf("goal: the %s filter at %.2f of the baseline in its slowest of %d runs of %d pairs, each side the "
                    "fastest of %d (target at most %.2f in each; the runs %.2f apart, target within %.2f)\n",
                    f.name, *high, Runs, Pairs, Tries, Target, *high - *low, Agreement);
    }
    return 0;
}
