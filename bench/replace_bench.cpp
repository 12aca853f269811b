// Occurrence replacement must grow linearly with the text: the time for a text of a million
// characters over the time for one of a hundred thousand.
#include "bench/BenchClock.h"

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

// Replacing every "ab" in `text`, as a piece of work to time.
auto Replace(const std::wstring& text)
{
    return [&text] {
        volatile size_t size = ReplaceOccurrences(text, L"ab", L"xyz").size();
        (void)size;
    };
}

}  // namespace

int main()
{
    std::wstring small = TextOf(100000);
    std::wstring large = TextOf(1000000);
    PrintRatio("replace 1M/100k", InterleavedRatio(15, Replace(small), Replace(large)));
    return 0;
}
