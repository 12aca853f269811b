#include "zelhost/HostText.h"

#include <algorithm>

namespace zelhost {

namespace {

// What an expired host text reads as: recognisable, and never a valid search word.
constexpr wchar_t Garbage = L'\xFFFD';

}  // namespace

const wchar_t* HostText::Set(const std::wstring& text)
{
    Expire();
    // Each text starts a character further into the buffer than the last, up to seven: a host
    // hands its texts wherever they lie, not always at an aligned address.
    offset_ = (offset_ + 1) % 8;
    if (offset_ + text.size() + 1 > buffer_.size()) {
        if (!buffer_.empty()) {
            if (retired_.size() == KeptRetired)
                retired_.erase(retired_.begin());
            retired_.push_back(std::move(buffer_));
        }
        buffer_.assign(
            std::max({offset_ + text.size() + 1, retired_.empty() ? 0 : 2 * retired_.back().size(), size_t{256}}),
            Garbage);
    }
    wchar_t* start = buffer_.data() + offset_;
    std::copy(text.begin(), text.end(), start);
    start[text.size()] = L'\0';
    length_ = text.size();
    live_ = true;
    return start;
}

void HostText::Expire()
{
    if (!live_)
        return;
    std::fill_n(buffer_.begin() + static_cast<std::ptrdiff_t>(offset_), length_, Garbage);
    live_ = false;
}

}  // namespace zelhost
