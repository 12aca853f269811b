// A text the host hands to the plug-in (a comment's text, a key-in). It expires at the host's
// next call of the same kind or when the callback that received it returns; the host then
// overwrites it in place, so that a plug-in that kept the pointer reads garbage (U+FFFD), never
// the next text by chance.
#pragma once

#include <string>
#include <vector>

namespace zelhost {

class HostText {
public:
    // The text handed out; the one before expires.
    const wchar_t* Set(const std::wstring& text);
    void Expire();

private:
    // Replaced buffers stay readable garbage for a while. The buffer grows by doubling, so the
    // kept ones never add up to more than the current one.
    static constexpr size_t KeptRetired = 8;
    std::vector<wchar_t> buffer_;
    std::vector<std::vector<wchar_t>> retired_;
    size_t offset_ = 0;  // where the live text starts in the buffer
    size_t length_ = 0;
    bool live_ = false;
};

}  // namespace zelhost
