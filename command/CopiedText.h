// A host text copied into the plug-in's own storage at once. Texts of ordinary length stay in
// the inline buffer, so the search filters, called once per element of the drawing, do not
// allocate for them.
#pragma once

#include <cwchar>
#include <string>
#include <string_view>

class CopiedText {
public:
    explicit CopiedText(const wchar_t* text)
    {
        size_t length = std::wcslen(text);
        if (length <= InlineCapacity) {
            std::wmemcpy(inline_, text, length);
            view_ = std::wstring_view(inline_, length);
        } else {
            overflow_.assign(text, length);
            view_ = overflow_;
        }
    }
    CopiedText(const CopiedText&) = delete;
    CopiedText& operator=(const CopiedText&) = delete;

    std::wstring_view View() const { return view_; }

private:
    static constexpr size_t InlineCapacity = 256;
    wchar_t inline_[InlineCapacity];
    std::wstring overflow_;
    std::wstring_view view_;
};
