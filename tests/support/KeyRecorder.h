// A low-level keyboard hook of the test's own that records every event it sees and passes it
// on. Hooks run newest first: installed before the plug-in's hook, it runs after it and sees
// exactly what the plug-in passes on, its typing included.
#pragma once

#include <windows.h>

#include <algorithm>
#include <ostream>
#include <vector>

struct KeyEvent {
    WPARAM message;
    DWORD virtualKey;
    DWORD scanCode;
    ULONG_PTR extra;
    bool operator==(const KeyEvent& o) const
    {
        return message == o.message && virtualKey == o.virtualKey && scanCode == o.scanCode && extra == o.extra;
    }
};

inline std::ostream& operator<<(std::ostream& out, const KeyEvent& e)
{
    return out << "{"
               << (e.message == WM_KEYDOWN ? "down"
                   : e.message == WM_KEYUP ? "up"
                                           : "other")
               << " vk 0x" << std::hex << e.virtualKey << " scan 0x" << e.scanCode << " extra 0x" << e.extra << std::dec
               << "}";
}

class KeyRecorder {
public:
    KeyRecorder() { hook_ = SetWindowsHookExW(WH_KEYBOARD_LL, Record, GetModuleHandleW(nullptr), 0); }
    ~KeyRecorder() { UnhookWindowsHookEx(hook_); }
    KeyRecorder(const KeyRecorder&) = delete;
    KeyRecorder& operator=(const KeyRecorder&) = delete;

    bool Installed() const { return hook_ != nullptr; }
    static std::vector<KeyEvent>& Seen()
    {
        static std::vector<KeyEvent> seen;
        return seen;
    }

private:
    static LRESULT CALLBACK Record(int code, WPARAM message, LPARAM lParam)
    {
        if (code == HC_ACTION) {
            auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
            Seen().push_back(KeyEvent{message, key->vkCode, key->scanCode, key->dwExtraInfo});
        }
        return CallNextHookEx(nullptr, code, message, lParam);
    }

    HHOOK hook_;
};

// The fourteen events (seven taps) the plug-in types for a shortcut key whose key-in ends with `letter`.
inline std::vector<KeyEvent> BrowseTyping(DWORD letter)
{
    std::vector<KeyEvent> events;
    auto tap = [&](DWORD vk, DWORD scan, ULONG_PTR extra) {
        events.push_back(KeyEvent{WM_KEYDOWN, vk, scan, extra});
        events.push_back(KeyEvent{WM_KEYUP, vk, scan, extra});
    };
    tap(VK_CLEAR, 0x0C, 0);
    for (DWORD vk : {DWORD('Z'), DWORD('O'), DWORD('O'), DWORD('M'), letter})
        tap(vk, 0, 0x33);
    tap(VK_RETURN, 0xB9, 0);
    return events;
}

// The events the plug-in typed: those carrying its mark, and the Clear and Enter around them.
inline std::vector<KeyEvent> Typed(const std::vector<KeyEvent>& seen)
{
    std::vector<KeyEvent> typed;
    for (const KeyEvent& e : seen)
        if (e.extra == 0x33 || e.virtualKey == VK_CLEAR || e.virtualKey == VK_RETURN)
            typed.push_back(e);
    return typed;
}

inline bool SawKeyDown(const std::vector<KeyEvent>& seen, DWORD key)
{
    return std::any_of(seen.begin(), seen.end(),
                       [&](const KeyEvent& e) { return e.virtualKey == key && e.message != WM_KEYUP; });
}

inline void Press(WORD virtualKey, int downs = 1)
{
    for (int i = 0; i < downs; ++i)
        keybd_event(static_cast<BYTE>(virtualKey), 0, 0, 0);
    keybd_event(static_cast<BYTE>(virtualKey), 0, KEYEVENTF_KEYUP, 0);
}
