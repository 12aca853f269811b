#include "zelhost/Utf8.h"

#include <windows.h>

#include <stdexcept>

namespace zelhost {

namespace {

int WideLength(const std::string& utf8)
{
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
}

}  // namespace

bool IsUtf8(const std::string& bytes) { return bytes.empty() || WideLength(bytes) > 0; }

std::wstring WideFromUtf8(const std::string& utf8)
{
    if (utf8.empty())
        return {};
    int n = WideLength(utf8);
    if (n <= 0)
        throw std::runtime_error("text is not valid UTF-8");
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
    return wide;
}

std::string Utf8FromWide(const std::wstring& wide)
{
    if (wide.empty())
        return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), n, nullptr, nullptr);
    return utf8;
}

}  // namespace zelhost
