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
    if (text.size() + 1 > buffer_.size()) {
        if (!buffer_.empty()) {
            if (retired_.size() == KeptRetired)
                retired_.erase(retired_.begin());
            retired_.push_back(std::move(buffer_));
        }
        buffer_.assign(std::max({text.size() + 1, retired_.empty() ? 0 : 2 * retired_.back().size(), size_t{256}}),
                       Garbage);
    }
    std::copy(text.begin(), text.end(), buffer_.begin());
    buffer_[text.size()] = L'\0';
    length_ = text.size();
    live_ = true;
    return buffer_.data();
}

void HostText::Expire()
{
    if (!live_)
        return;
    std::fill(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(length_), Garbage);
    live_ = false;
}

}  // namespace zelhost
