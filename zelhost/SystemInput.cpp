#include "zelhost/SystemInput.h"

#include "zelhost/ZelHostDriver.h"

namespace zelhost {

void Press(const KeyPress& press)
{
    ZhdFocusKeyinLine();
    for (BYTE modifier : press.modifiers)
        keybd_event(modifier, 0, 0, 0);
    // A held key repeats about 30 times a second, and the host works in between.
    constexpr std::int32_t AutoRepeatMilliseconds = 33;
    for (int i = 0; i < press.downs; ++i) {
        if (i > 0)
            ZhdPumpMessages(AutoRepeatMilliseconds);
        keybd_event(press.key, 0, 0, 0);
    }
    keybd_event(press.key, 0, KEYEVENTF_KEYUP, 0);
    for (auto modifier = press.modifiers.rbegin(); modifier != press.modifiers.rend(); ++modifier)
        keybd_event(*modifier, 0, KEYEVENTF_KEYUP, 0);
    ZhdPumpMessages(300);
}

bool MovePointer(double x, double y)
{
    std::int32_t screenX = 0;
    std::int32_t screenY = 0;
    if (ZhdScreenPointOf(x, y, &screenX, &screenY) != 0)
        return false;
    INPUT move{};
    move.type = INPUT_MOUSE;
    move.mi.dx = MulDiv(screenX, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    move.mi.dy = MulDiv(screenY, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &move, sizeof move);
    ZhdPumpMessages(50);
    return true;
}

bool Click(double x, double y, DWORD down, DWORD up)
{
    ZhdFocusKeyinLine();
    if (!MovePointer(x, y))
        return false;
    INPUT press[2] = {};
    press[0].type = press[1].type = INPUT_MOUSE;
    press[0].mi.dwFlags = down;
    press[1].mi.dwFlags = up;
    SendInput(2, press, sizeof press[0]);
    ZhdPumpMessages(300);
    return true;
}

}  // namespace zelhost
