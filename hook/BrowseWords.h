// The browse prompt's words and the shortcut keys that type them. The hook types a row's Latin
// word letter by letter (each letter is its own virtual key); the browse prompt accepts the
// Latin word in any case, and the Korean form that the same keys give in two-set Hangul mode.
#pragma once

#include <afxwin.h>

#include <array>
#include <string_view>

enum class BrowseWord { None, Next, Previous, Delete };

struct BrowseShortcut {
    BrowseWord word;
    DWORD key;                 // the virtual key pressed
    std::wstring_view latin;   // the letters typed, as a Latin layout gives them
    std::wstring_view korean;  // the same keys in Korean two-set Hangul mode
};

// In the order in which the browse prompt tests them.
constexpr std::array<BrowseShortcut, 3> BrowseShortcuts = {{
    {BrowseWord::Next, VK_RIGHT, L"ZOOMN", L"캐ㅐㅡㅜ"},
    {BrowseWord::Previous, VK_LEFT, L"ZOOMP", L"캐ㅐㅡㅔ"},
    {BrowseWord::Delete, VK_DELETE, L"ZOOMD", L"캐ㅐㅡㅇ"},
}};

// The shortcut pressed with `key`, or null.
constexpr const BrowseShortcut* ShortcutFor(DWORD key)
{
    for (const BrowseShortcut& shortcut : BrowseShortcuts) {
        if (shortcut.key == key)
            return &shortcut;
    }
    return nullptr;
}
