// By-hand latency in the host window with the real Sorvane.dll, on plans (bench/Plan.h) of
// 10,000, 100,000 and 1,000,000 annotations with a hundred matches spread over each: real key
// presses through the system's input, each timed from the press to the end of the window's own
// first repaint that shows what it did (for a replacement, the first repaint of the message box
// it brings up). Nine passes a plan, each: Enter on the empty key-in line at the range prompt
// until the matches are framed, the right arrow until the view is zoomed to the first match,
// and a replacement entered until its message box shows.
#include "bench/BenchClock.h"
#include "bench/Plan.h"

#include "base/SettingsKey.h"

#include "zelhost/ZelHostDriver.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int Passes = 9;
constexpr int Matches = 100;

size_t TranscriptLength() { return static_cast<size_t>(ZhdGetTranscript(nullptr, 0)); }

// What a press waits for: the end of a repaint, of the host window once the transcript has grown
// past `before` (the press was handled), or of the message box it brought up.
struct Awaited {
    size_t before = 0;
    bool box = false;
    bool shown = false;
    double shownAt = 0;
};
Awaited Waiting;
WNDPROC HostProc = nullptr;
WNDPROC BoxProc = nullptr;

LRESULT CALLBACK TimedHostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = CallWindowProcW(HostProc, window, message, wParam, lParam);
    if (message == WM_PAINT && !Waiting.box && !Waiting.shown) {
        double at = Milliseconds();
        if (TranscriptLength() > Waiting.before) {
            Waiting.shown = true;
            Waiting.shownAt = at;
        }
    }
    return result;
}

// The message box, once it has painted itself, is answered at once.
LRESULT CALLBACK TimedBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = CallWindowProcW(BoxProc, window, message, wParam, lParam);
    if (message == WM_PAINT && Waiting.box && !Waiting.shown) {
        Waiting.shownAt = Milliseconds();
        Waiting.shown = true;
        PostMessageW(window, WM_COMMAND, IDOK, 0);
    }
    return result;
}

LRESULT CALLBACK WatchBoxes(int code, WPARAM window, LPARAM info)
{
    wchar_t kind[16] = {};
    if (code == HCBT_CREATEWND && GetClassNameW(reinterpret_cast<HWND>(window), kind, 16) &&
        std::wstring(kind) == L"#32770")
        BoxProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(reinterpret_cast<HWND>(window), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TimedBoxProc)));
    return CallNextHookEx(nullptr, code, window, info);
}

// A real press and release of `key`: the milliseconds until what it did was on the screen, or
// a negative number when nothing showed within half a minute.
double Press(WORD key, bool box)
{
    Waiting = Awaited{TranscriptLength(), box};
    double sent = Milliseconds();
    keybd_event(static_cast<BYTE>(key), 0, 0, 0);
    keybd_event(static_cast<BYTE>(key), 0, KEYEVENTF_KEYUP, 0);
    while (!Waiting.shown && Milliseconds() - sent < 30000)
        ZhdPumpMessages(1);
    return Waiting.shown ? Waiting.shownAt - sent : -1;
}

struct Spread {
    double median, worst;
};

Spread Of(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return Spread{times[times.size() / 2], times.back()};
}

struct Latencies {
    Spread framed, step, replaced;
};

Latencies Measure(int annotations, HWND keyinLine)
{
    std::string json = plan::Json(annotations, 1, annotations / Matches, "M0");
    if (ZhdLoadDrawingJson(json.c_str()) != 0) {
        std::printf("the plan of %d annotations cannot be loaded: %s\n", annotations, zhd::LastError().c_str());
        return {};
    }
    ZhdFitView();
    ZhdPumpMessages(annotations / 500 + 200);  // the first repaint builds the drawing's index
    std::vector<double> framed, step, replaced;
    for (int pass = 0; pass < Passes; ++pass) {
        ZhdStartCommand();
        ZhdSendKeyin((L"M" + std::to_wstring(pass)).c_str());
        ZhdFocusKeyinLine();
        ZhdPumpMessages(100);
        framed.push_back(Press(VK_RETURN, false));
        ZhdPumpMessages(100);
        step.push_back(Press(VK_RIGHT, false));
        ZhdPumpMessages(100);
        SetWindowTextW(keyinLine, (L"M" + std::to_wstring(pass + 1)).c_str());
        replaced.push_back(Press(VK_RETURN, true));
        ZhdPumpMessages(100);
    }
    Latencies l{Of(framed), Of(step), Of(replaced)};
    std::printf("by hand, %d annotations, %d passes: Enter to framed %.0f ms (worst %.0f), one arrow step %.0f ms "
                "(worst %.0f), a replacement to its message box %.0f ms (worst %.0f)\n",
                annotations, Passes, l.framed.median, l.framed.worst, l.step.median, l.step.worst, l.replaced.median,
                l.replaced.worst);
    return l;
}

void Goal(const char* what, double figure, double target)
{
    std::printf("goal: %s %.0f ms (target at most %.0f ms: %.2f of it)\n", what, figure, target, figure / target);
}

}  // namespace

int main()
{
    // The identical method: the passes search one text and replace it with the next.
    HKEY key = nullptr;
    std::wstring settings = std::wstring(SettingsKeyPrefix) + PluginSettingsSubkey;
    RegCreateKeyExW(HKEY_CURRENT_USER, settings.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExW(key, L"Method", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"0"), 4);
    RegCloseKey(key);
    HMODULE plugin = LoadLibraryW(L"Sorvane.dll");
    auto startup =
        plugin ? reinterpret_cast<std::int32_t (*)()>(reinterpret_cast<void*>(GetProcAddress(plugin, "Startup")))
               : nullptr;
    auto window = static_cast<HWND>(ZhdCreateWindow());
    if (!startup || startup() != 0 || !window) {
        std::printf("by hand: cannot start Sorvane.dll in the host window (error %lu)\n", GetLastError());
        return 1;
    }
    ZhdSetModalMessageBoxes(1);
    HostProc =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TimedHostProc)));
    HHOOK boxes = SetWindowsHookExW(WH_CBT, WatchBoxes, nullptr, GetCurrentThreadId());
    HWND keyinLine = FindWindowExW(window, nullptr, L"EDIT", nullptr);

    Measure(10000, keyinLine);
    Latencies hundredThousand = Measure(100000, keyinLine);
    Latencies million = Measure(1000000, keyinLine);
    Goal("Enter to framed, 100000 annotations, worst of 9:", hundredThousand.framed.worst, 100);
    Goal("Enter to framed, 1000000 annotations, median:", million.framed.median, 300);
    Goal("one arrow step, 1000000 annotations, median:", million.step.median, 50);

    UnhookWindowsHookEx(boxes);
    ZhdCallUnload();
    FreeLibrary(plugin);
    return 0;
}
