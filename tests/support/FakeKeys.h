// A stand-in of the system for the shortcuts: the host's windows and another program's, which
// is in front and enabled, the system's key state, the layout, and the host's key-in line. What
// the shortcuts type is fed back through them, as the system passes synthetic keys through the
// hook too, and then into the key-in line, which submits it on Enter.
#pragma once

#include "base/pch.h"

#include "hook/Shortcuts.h"

#include <cwctype>
#include <map>
#include <set>
#include <string>
#include <vector>

// The host's main window, its key-in line when that floats in a window of its own, a palette it
// owns, and another program's window.
inline const HWND MainWindow = reinterpret_cast<HWND>(0x1000);
inline const HWND KeyinWindow = reinterpret_cast<HWND>(0x1100);
inline const HWND PaletteWindow = reinterpret_cast<HWND>(0x2000);
inline const HWND OtherProgram = reinterpret_cast<HWND>(0x3000);

class FakeKeys final : public KeySystem {
public:
    HWND ForegroundWindow() override { return foreground; }
    HWND HostMainWindowOf(HWND window) override { return window == OtherProgram || !window ? nullptr : MainWindow; }
    bool IsEnabled(HWND) override { return enabled; }
    bool IsKeyDown(DWORD key) override { return down.count(key) > 0; }
    Field FocusedField() override
    {
        if (!focusInLine || line.empty())
            return Field::None;
        return lineSelected ? Field::Selected : Field::Text;
    }
    bool KeysPending() override { return keysPending; }
    HKL LayoutOf(HWND) override { return layout; }
    UINT CharOf(UINT key, HKL) override { return chars.count(key) ? chars.at(key) : key; }
    void Tap(BYTE key, BYTE scanCode, ULONG_PTR extra) override { taps.push_back(Tapped{key, scanCode, extra}); }

    // Feeds what the shortcuts typed back through them and into the key-in line; the key-ins it
    // submitted.
    std::vector<std::wstring> Deliver(Shortcuts& shortcuts, DWORD time)
    {
        std::vector<std::wstring> submitted;
        std::vector<Tapped> tapped;
        tapped.swap(taps);
        for (const Tapped& t : tapped) {
            for (WPARAM message : {WM_KEYDOWN, WM_KEYUP}) {
                KBDLLHOOKSTRUCT event{t.key, t.scanCode, 0, time, t.extra};
                shortcuts.Handle(*this, message, event);
            }
            if (t.key == VK_CLEAR) {
                line.clear();
            } else if (t.key == VK_RETURN) {
                submitted.push_back(line);
                line.clear();
            } else {
                line += static_cast<wchar_t>(std::towlower(t.key));
            }
        }
        return submitted;
    }

    HWND foreground = MainWindow;
    bool enabled = true;
    std::set<DWORD> down;  // the keys the system reports down
    HKL layout = reinterpret_cast<HKL>(0x04090409);
    std::map<UINT, UINT> chars;  // the layout's characters, where not the key's own letter
    // The host's key-in line: its text, whether it is all selected, and whether it has the focus.
    std::wstring line;
    bool lineSelected = false;
    bool focusInLine = true;
    bool keysPending = false;  // the host has not taken every key yet

private:
    struct Tapped {
        BYTE key;
        BYTE scanCode;
        ULONG_PTR extra;
    };
    std::vector<Tapped> taps;
};
