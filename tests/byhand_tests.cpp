// The host window as a person uses it, with the real Sorvane.dll: real mouse and key input
// through the system (SendInput) on the virtual display, checked in the transcript and the
// drawing.
#include "tests/support/HostSupport.h"
#include "tests/support/KeyRecorder.h"

#include "host/ZelLib.h"
#include "zelhost/View.h"

#include <windows.h>

namespace {

using Lines = std::vector<std::string>;

const std::string BrowsePrompt = "prompt: 변경할 주기입력/주기선택 ('->':다음주기 '<-':이전주기 'DEL키':삭제) :";

void Send(INPUT input)
{
    SendInput(1, &input, sizeof input);
    ZhdPumpMessages(50);
}

// Moves the pointer over a drawing point, as the view shows it now.
void MoveTo(double x, double y)
{
    std::int32_t sx = 0, sy = 0;
    ASSERT_EQ(ZhdScreenPointOf(x, y, &sx, &sy), 0);
    INPUT move{};
    move.type = INPUT_MOUSE;
    move.mi.dx = MulDiv(sx, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    move.mi.dy = MulDiv(sy, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    Send(move);
}

void Click(double x, double y, DWORD down = MOUSEEVENTF_LEFTDOWN, DWORD up = MOUSEEVENTF_LEFTUP)
{
    MoveTo(x, y);
    INPUT click{};
    click.type = INPUT_MOUSE;
    click.mi.dwFlags = down;
    Send(click);
    click.mi.dwFlags = up;
    Send(click);
    ZhdPumpMessages(150);
}

void Key(WORD key)
{
    Press(key);
    ZhdPumpMessages(200);
}

void Type(const std::wstring& text)
{
    for (wchar_t c : text) {
        INPUT typed{};
        typed.type = INPUT_KEYBOARD;
        typed.ki.wScan = c;
        typed.ki.dwFlags = KEYEVENTF_UNICODE;
        Send(typed);
        typed.ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
        Send(typed);
    }
}

COLORREF ScreenColor(double x, double y)
{
    std::int32_t sx = 0, sy = 0;
    ZhdScreenPointOf(x, y, &sx, &sy);
    HDC screen = GetDC(nullptr);
    COLORREF color = GetPixel(screen, sx, sy);
    ReleaseDC(nullptr, screen);
    return color;
}

// The tests' own mouse is the only one. Wine moves the display's pointer after each injected
// move, and its desktop reports that pointer back as mouse input of its own; on a loaded machine
// such a report arrives after the next injected move and takes the pointer back to where it was
// (a rubber band to the first corner, a click in the wrong place). With a low-level mouse hook in
// place Wine leaves the display's pointer alone, and the hook drops whatever the tests did not
// send.
LRESULT CALLBACK OnlyInjectedMouse(int code, WPARAM message, LPARAM info)
{
    if (code == HC_ACTION && !(reinterpret_cast<const MSLLHOOKSTRUCT*>(info)->flags & LLMHF_INJECTED))
        return 1;
    return CallNextHookEx(nullptr, code, message, info);
}

class ByHand : public HostFixture {
protected:
    void SetUp() override
    {
        HostFixture::SetUp();
        mouseHook_ = SetWindowsHookExW(WH_MOUSE_LL, OnlyInjectedMouse, GetModuleHandleW(nullptr), 0);
        ASSERT_NE(mouseHook_, nullptr);
        HKEY key;
        RegCreateKeyExW(HKEY_CURRENT_USER, L"SOFTWARE\\Tarnwick\\ZEL\\Sorvane", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr);
        RegSetValueExW(key, L"Method", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"0"), 4);
        RegCloseKey(key);
        module_ = LoadLibraryW(L"Sorvane.dll");
        ASSERT_NE(module_, nullptr);
        auto startup =
            reinterpret_cast<std::int32_t (*)()>(reinterpret_cast<void*>(GetProcAddress(module_, "Startup")));
        ASSERT_EQ(startup(), 0);
        ASSERT_NE(ZhdCreateWindow(), nullptr);
        ZhdSetModalMessageBoxes(1);
        ZhdWatchDialogs(1);  // a box no case expects is cancelled and reported, never waited for
        DrawingBuilder()
            .Annotation(1, 10, 0, 0, L"문", 0, 12)
            .Annotation(2, 20, 100, 0, L"문", 0, 12)
            .Annotation(3, 30, 40, 60, L"창", 0, 12)
            .Other(4, 40, 0, 100)
            .Load();
        ZhdFocusKeyinLine();
        ZhdPumpMessages(100);
        Key(VK_F2);
        TakeTranscript();
    }
    void TearDown() override
    {
        EXPECT_EQ(zhd::DialogFailure(), "");
        ZhdCallUnload();
        FreeLibrary(module_);
        UnhookWindowsHookEx(mouseHook_);
        HostFixture::TearDown();
    }

    HMODULE module_ = nullptr;
    HHOOK mouseHook_ = nullptr;
};

TEST_F(ByHand, PickWholeDrawingRightArrowAndATypedReplacement)
{
    Click(3, 5);  // on the text of element 10
    EXPECT_EQ(TakeTranscript(), (Lines{"result: advance", "prompt: 범위지시(확정:도면전체) : "}));
    Click(70, 30, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    EXPECT_EQ(TakeTranscript(), (Lines{"blink: 0/1 0/2", "info: 총 2개의 주기를 발견하였습니다.[ 0/2 ]",
                                       "zoom: -10 -10 110 10", "result: advance", "cursor: ←→", BrowsePrompt}));
    Key(VK_RIGHT);
    EXPECT_EQ(TakeTranscript(),
              (Lines{"zoom: -100 -100 100 100", "info: 총 2개의 주기를 발견하였습니다.[ 1/2 ]", "result: stay"}));
    Type(L"출입문");
    ZhdQueueDialogAnswer("ok");
    Key(VK_RETURN);
    EXPECT_EQ(TakeTranscript(), (Lines{"messagebox: 총 2개의 주기를 수정하였습니다.", "dialog: Zel host", "dialog: ok",
                                       "result: finish"}));
    EXPECT_EQ(TextOf(10), L"출입문");
    EXPECT_EQ(TextOf(20), L"출입문");
    EXPECT_EQ(TextOf(30), L"창");
}

TEST_F(ByHand, AWindowOfTwoClicksWithItsRubberBand)
{
    Type(L"문");
    Key(VK_RETURN);
    Click(-1, 70);
    EXPECT_EQ(TakeTranscript(), (Lines{"result: advance", "prompt: 범위지시(확정:도면전체) : ", "result: advance",
                                       "prompt: 범위지시 : "}));
    MoveTo(30, -1);
    ZhdPumpMessages(100);
    EXPECT_EQ(ScreenColor(15, 70), zelhost::RubberBandColor) << "the band's top edge, between its corners";
    EXPECT_EQ(ScreenColor(30, 30), zelhost::RubberBandColor) << "its right edge";
    Click(30, -1);
    Lines browse = TakeTranscript();
    ASSERT_GE(browse.size(), 2u);
    EXPECT_EQ(browse[0], "blink: 0/1") << "only the match inside the window";
    EXPECT_EQ(browse.back(), BrowsePrompt);
}

TEST_F(ByHand, EnterOnAnEmptyLineAtTheBrowsePromptEndsThePassWithoutAnEdit)
{
    Type(L"문");
    Key(VK_RETURN);
    Key(VK_RETURN);  // confirm: the whole drawing
    std::string before = zhd::DrawingJson();
    TakeTranscript();
    Key(VK_RETURN);
    EXPECT_EQ(TakeTranscript(), Lines{"result: finish"});
    EXPECT_EQ(zhd::DrawingJson(), before);
    EXPECT_FALSE(ZhdIsCommandRunning());
}

TEST_F(ByHand, AClickOnEmptySpaceAtThePickPromptSendsNoEvent)
{
    Click(70, 30);
    EXPECT_EQ(TakeTranscript(), Lines{});
    EXPECT_TRUE(ZhdIsCommandRunning());
    Click(3, 5);
    Lines picked = TakeTranscript();
    ASSERT_FALSE(picked.empty()) << "a click on a text still picks it";
    EXPECT_EQ(picked.front(), "result: advance");
}

}  // namespace
