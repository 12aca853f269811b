// Occurrence replacement must grow linearly with the text: the time for a text of a million
// characters over the time for one of a hundred thousand.
#include "BenchClock.h"

#include "command/Edits.h"

#include <cstdio>
#include <string>

namespace {

// One occurrence of "ab" every ten characters.
std::wstring TextOf(size_t length)
{
    std::wstring text;
    text.reserve(length);
    while (text.size() + 10 <= length)
        text += L"ab01234567";
    return text;
}

double ReplaceSeconds(const std::wstring& text)
{
    size_t sink = 0;
    double seconds = FastestSeconds(5, [&] { sink += ReplaceOccurrences(text, L"ab", L"xyz").size(); });
    return sink ? seconds : 0;
}

}  // namespace

int main()
{
    double small = ReplaceSeconds(TextOf(100000));
    double large = ReplaceSeconds(TextOf(1000000));
    std::printf("replace 100k: %.3f ms\n", small * 1e3);
    std::printf("replace 1M: %.3f ms\n", large * 1e3);
    std::printf("replace 1M/100k ratio: %.1f\n", large / small);
    return 0;
}
