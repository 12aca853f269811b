#include "base/pch.h"

#include "command/Messages.h"

#include <string_view>

std::wstring FormatCounts(const wchar_t* format, std::initializer_list<std::int32_t> numbers)
{
    std::wstring text;
    auto number = numbers.begin();
    for (std::wstring_view rest = format; !rest.empty();) {
        size_t at = rest.find(L"%d");
        if (at == std::wstring_view::npos || number == numbers.end()) {
            text.append(rest);
            break;
        }
        text.append(rest.substr(0, at));
        text.append(std::to_wstring(*number++));
        rest.remove_prefix(at + 2);
    }
    return text;
}
