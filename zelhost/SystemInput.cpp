#include "zelhost/SystemInput.h"

#include "zelhost/ZelHostDriver.h"

#include <cstdlib>
#include <cstring>

namespace zelhost {

namespace {

// A held key repeats about 30 times a second, and the host works in between.
constexpr std::int32_t AutoRepeatMilliseconds = 33;

struct NamedKey {
    const char* name;
    BYTE key;
};

constexpr NamedKey NamedKeys[] = {
    {"right", VK_RIGHT},  {"left", VK_LEFT},      {"delete", VK_DELETE}, {"escape", VK_ESCAPE}, {"home", VK_HOME},
    {"enter", VK_RETURN}, {"backspace", VK_BACK}, {"f2", VK_F2},         {"f3", VK_F3},         {"f4", VK_F4},
    {"shift", VK_SHIFT},  {"ctrl", VK_CONTROL},   {"alt", VK_MENU},
};

// The key-in line, unless the session put the palette in front.
void FocusInput()
{
    if (!ZhdIsPaletteInFront())
        ZhdFocusKeyinLine();
}

void Repeat(BYTE key, int downs)
{
    for (int i = 0; i < downs; ++i) {
        ZhdPumpMessages(AutoRepeatMilliseconds);
        keybd_event(key, 0, 0, 0);
    }
}

}  // namespace

const char KeyNames[] =
    "right, left, delete, escape, home, enter, backspace, f2, f3, f4, shift, ctrl, alt, a to z, 0 to 9";

BYTE KeyNamed(const std::string& name)
{
    for (const NamedKey& named : NamedKeys)
        if (name == named.name)
            return named.key;
    if (name.size() == 1 && ((name[0] >= 'a' && name[0] <= 'z') || (name[0] >= '0' && name[0] <= '9')))
        return static_cast<BYTE>(name[0] >= 'a' ? name[0] - 'a' + 'A' : name[0]);
    return 0;
}

std::optional<KeyPress> ParsePress(const std::vector<std::string>& words)
{
    if (words.empty() || words.size() > 2)
        return std::nullopt;
    KeyPress press;
    std::string rest = words[0];
    for (auto [prefix, key] :
         {std::pair{"ctrl+", VK_CONTROL}, std::pair{"shift+", VK_SHIFT}, std::pair{"alt+", VK_MENU}}) {
        if (rest.rfind(prefix, 0) == 0) {
            press.modifiers.push_back(static_cast<BYTE>(key));
            rest.erase(0, std::strlen(prefix));
        }
    }
    if (!(press.key = KeyNamed(rest)))
        return std::nullopt;
    if (words.size() == 2) {
        const std::string& count = words[1];
        if (count.size() < 2 || count.size() > 4 || count[0] != 'x' ||
            count.find_first_not_of("0123456789", 1) != std::string::npos)
            return std::nullopt;
        press.downs = std::atoi(count.c_str() + 1);
        if (press.downs < 1 || press.downs > 100)
            return std::nullopt;
    }
    return press;
}

void Press(const KeyPress& press)
{
    Hold(press);
    Release(press, press.downs - 1);
}

void TapKeys(const std::vector<BYTE>& keys)
{
    FocusInput();
    for (BYTE key : keys) {
        keybd_event(key, 0, 0, 0);
        keybd_event(key, 0, KEYEVENTF_KEYUP, 0);
    }
    ZhdPumpMessages(300);
}

void Hold(const KeyPress& press)
{
    FocusInput();
    for (BYTE modifier : press.modifiers)
        keybd_event(modifier, 0, 0, 0);
    keybd_event(press.key, 0, 0, 0);
}

void Release(const KeyPress& press, int repeats)
{
    Repeat(press.key, repeats);
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
