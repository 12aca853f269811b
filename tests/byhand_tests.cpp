// The host window as a person uses it, with the real Sorvane.dll: real mouse and key input
// through the system (SendInput) on the virtual display, checked in the transcript and the
// drawing.
#include "tests/support/AnotherProgram.h"
#include "tests/support/HostSupport.h"
#include "tests/support/KeyRecorder.h"

#include "zelhost/View.h"

#include <ZelLib.h>

#include <windows.h>

#include <algorithm>
#include <optional>

namespace {

using Lines = std::vector<std::string>;

const std::string BrowsePrompt = "prompt: 변경할 주기입력/주기선택 ('->':다음주기 '<-':이전주기 'DEL키':삭제) :";

void Send(INPUT input)
{
    SendInput(1, &input, sizeof input);
    ZhdPumpMessages(50);
}

// Moves the pointer over a drawing point, as the view shows it now; where that is on the screen.
POINT MoveTo(double x, double y)
{
    std::int32_t sx = 0, sy = 0;
    EXPECT_EQ(ZhdScreenPointOf(x, y, &sx, &sy), 0) << x << ", " << y << " is not in the view";
    INPUT move{};
    move.type = INPUT_MOUSE;
    move.mi.dx = MulDiv(sx, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    move.mi.dy = MulDiv(sy, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    Send(move);
    return POINT{sx, sy};
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

// The screen as it is at one moment, read pixel by pixel.
class ScreenFrame {
public:
    ScreenFrame()
    {
        width_ = GetSystemMetrics(SM_CXSCREEN);
        height_ = GetSystemMetrics(SM_CYSCREEN);
        pixels_.resize(static_cast<size_t>(width_) * height_);
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, width_, height_);
        HGDIOBJ previous = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width_, height_, screen, 0, 0, SRCCOPY);
        SelectObject(memory, previous);
        BITMAPINFO info{};
        info.bmiHeader = {sizeof info.bmiHeader, width_, -height_, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        GetDIBits(memory, bitmap, 0, height_, pixels_.data(), &info, DIB_RGB_COLORS);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
    }
    COLORREF At(int x, int y) const
    {
        DWORD rgb = pixels_[static_cast<size_t>(y) * width_ + x];  // 0x00RRGGBB
        return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
    }
    COLORREF At(POINT p) const { return At(p.x, p.y); }
    // How many pixels of `color` lie within `r` screen pixels of `centre`.
    int Count(COLORREF color, POINT centre, int r) const
    {
        int n = 0;
        for (int y = std::max<int>(0, centre.y - r); y <= std::min<int>(height_ - 1, centre.y + r); ++y)
            for (int x = std::max<int>(0, centre.x - r); x <= std::min<int>(width_ - 1, centre.x + r); ++x)
                n += At(x, y) == color;
        return n;
    }
    // The smallest rectangle holding every pixel of `color`; empty when there is none.
    RECT Bounds(COLORREF color) const
    {
        RECT bounds = {width_, height_, 0, 0};
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                if (At(x, y) == color)
                    bounds = {std::min<LONG>(bounds.left, x), std::min<LONG>(bounds.top, y),
                              std::max<LONG>(bounds.right, x + 1), std::max<LONG>(bounds.bottom, y + 1)};
        return bounds.left < bounds.right ? bounds : RECT{};
    }

private:
    int width_;
    int height_;
    std::vector<DWORD> pixels_;
};

// A frame of the screen with the blinking matches lit; none when they never showed.
std::optional<ScreenFrame> LitFrame()
{
    for (int i = 0; i < 20; ZhdPumpMessages(50), ++i)
        if (ScreenFrame frame; frame.Bounds(zelhost::MatchBackColor).right > 0)
            return frame;
    return std::nullopt;
}

POINT ScreenPoint(double x, double y)
{
    std::int32_t sx = 0, sy = 0;
    EXPECT_EQ(ZhdScreenPointOf(x, y, &sx, &sy), 0);
    return POINT{sx, sy};
}

// The key-in line shows `text` when it holds it and its face has a glyph for each character (a
// face without them shows boxes), at normal weight.
::testing::AssertionResult KeyinLineShows(const std::wstring& text)
{
    HWND line = FindWindowExW(static_cast<HWND>(ZhdCreateWindow()), nullptr, L"EDIT", nullptr);
    wchar_t held[64] = {};
    GetWindowTextW(line, held, 64);
    if (text != held)
        return ::testing::AssertionFailure() << "the key-in line holds " << Utf8(held);
    auto font = reinterpret_cast<HFONT>(SendMessageW(line, WM_GETFONT, 0, 0));
    if (!font)
        return ::testing::AssertionFailure() << "the key-in line writes in the system's face";
    LOGFONTW logical{};
    GetObjectW(font, sizeof logical, &logical);
    HDC dc = GetDC(line);
    HGDIOBJ previous = SelectObject(dc, font);
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, face);
    std::vector<WORD> glyphs(text.size());
    GetGlyphIndicesW(dc, text.c_str(), static_cast<int>(text.size()), glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS);
    SelectObject(dc, previous);
    ReleaseDC(line, dc);
    for (size_t i = 0; i < text.size(); ++i)
        if (glyphs[i] == 0xFFFF)
            return ::testing::AssertionFailure() << Utf8(face) << " has no glyph for " << Utf8(text.substr(i, 1));
    if (logical.lfWeight > FW_NORMAL)
        return ::testing::AssertionFailure() << Utf8(face) << " is set at weight " << logical.lfWeight;
    return ::testing::AssertionSuccess();
}

// The text of the OK button of the last message box that came up.
std::wstring BoxButton;
LRESULT CALLBACK ReadBoxButton(int code, WPARAM window, LPARAM info)
{
    wchar_t kind[16] = {};
    if (code == HCBT_ACTIVATE && GetClassNameW(reinterpret_cast<HWND>(window), kind, 16) &&
        std::wstring(kind) == L"#32770") {
        wchar_t text[32] = {};
        GetDlgItemTextW(reinterpret_cast<HWND>(window), IDOK, text, 32);
        BoxButton = text;
    }
    return CallNextHookEx(nullptr, code, window, info);
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
        StoreMethod(L"0");
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

    // Two matches far apart, both framed at the browse prompt.
    void BrowseTwoFarMatches()
    {
        ASSERT_EQ(ZhdLoadDrawingJson(R"({"segments":[
{"id":1,"qualifier":0,"elements":[{"id":10,"type":33,"x":0,"y":0,"text":"문","height":12}]},
{"id":2,"qualifier":0,"elements":[{"id":20,"type":33,"x":5000,"y":3000,"text":"문","height":12}]}]})"),
                  0);
        Type(L"문");
        Key(VK_RETURN);
        Key(VK_RETURN);
        ASSERT_EQ(TakeTranscript().back(), BrowsePrompt);
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
    Type(L"D-출입문");
    EXPECT_TRUE(KeyinLineShows(L"D-출입문"));
    ZhdQueueDialogAnswer("ok");
    HHOOK boxes = SetWindowsHookExW(WH_CBT, ReadBoxButton, nullptr, GetCurrentThreadId());
    Key(VK_RETURN);
    UnhookWindowsHookEx(boxes);
    EXPECT_EQ(TakeTranscript(), (Lines{"messagebox: 총 2개의 주기를 수정하였습니다.", "dialog: Zel 호스트",
                                       "dialog: ok", "result: finish"}));
    EXPECT_EQ(BoxButton, L"확인") << "the message box's button";
    EXPECT_EQ(TextOf(10), L"D-출입문");
    EXPECT_EQ(TextOf(20), L"D-출입문");
    EXPECT_EQ(TextOf(30), L"창");
}

// By hand the transcript says what the person did, as the script lines that do the same, and the
// status bar what a pick took.
TEST_F(ByHand, TheTranscriptHoldsTheSessionsInputAndTheStatusBarWhatAPickTook)
{
    ZhdSetTranscribeWindowInput(1);
    Click(3, 5);
    EXPECT_NE(zhd::StatusBar().find("선택한 주기: \"문\" (요소 10)"), std::string::npos) << zhd::StatusBar();
    Click(70, 30, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    Key(VK_RIGHT);
    Type(L"창 ");
    ZhdQueueDialogAnswer("ok");
    Key(VK_RETURN);
    Lines input;
    for (const std::string& line : TakeTranscript())
        if (line.rfind("> ", 0) == 0)
            input.push_back(line);
    EXPECT_EQ(input, (Lines{"> pick 10", "> confirm", "> keyin zoomn", "> keyin 창 "}));
    EXPECT_EQ(TextOf(10), L"창 ");
}

TEST_F(ByHand, EscapeEmptiesTheKeyinLineAsItCancels)
{
    Type(L"문");
    Key(VK_RETURN);
    Type(L"abc");
    TakeTranscript();
    Key(VK_ESCAPE);
    EXPECT_EQ(TakeTranscript(), Lines{"cancelled"});
    EXPECT_TRUE(KeyinLineShows(L""));
    Key(VK_RETURN);
    EXPECT_EQ(TakeTranscript(), Lines{}) << "what was typed before Escape went to no command";
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
    ScreenFrame screen;
    EXPECT_EQ(screen.At(ScreenPoint(15, 70)), zelhost::RubberBandColor) << "the band's top edge, between its corners";
    EXPECT_EQ(screen.At(ScreenPoint(30, 30)), zelhost::RubberBandColor) << "its right edge";
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

TEST_F(ByHand, ARotatedMatchIsMarkedAsALevelOne)
{
    ASSERT_EQ(ZhdLoadDrawingJson(R"({"segments":[
{"id":1,"qualifier":0,"elements":[{"id":10,"type":33,"x":0,"y":0,"text":"문","height":12}]},
{"id":2,"qualifier":0,"elements":[{"id":20,"type":33,"x":100,"y":0,"text":"문","height":12,"rotation":90}]}]})"),
              0);
    Type(L"문");
    Key(VK_RETURN);
    Key(VK_RETURN);  // the whole drawing: both blink, framed together
    ASSERT_EQ(TakeTranscript().back(), BrowsePrompt);
    // The middle of each text's glyph: the turned one stands on its baseline, which runs up.
    POINT level = ScreenPoint(6, 5);
    POINT turned = ScreenPoint(95, 6);
    int reach = (ScreenPoint(4, 0).x - ScreenPoint(0, 0).x);
    std::optional<ScreenFrame> lit = LitFrame();
    ASSERT_TRUE(lit) << "the matches never showed their colour";
    for (COLORREF color : {zelhost::MatchBackColor, zelhost::MatchTextColor}) {
        EXPECT_GT(lit->Count(color, level, reach), 0) << std::hex << "the level match lacks " << color;
        EXPECT_GT(lit->Count(color, turned, reach), 0) << std::hex << "the turned match lacks " << color;
    }
}

// A frame in which the match at `at` shows its colour, within `reach` pixels: the view blinks.
std::optional<ScreenFrame> LitAt(POINT at, int reach)
{
    for (int i = 0; i < 20; ZhdPumpMessages(50), ++i)
        if (ScreenFrame frame; frame.Count(zelhost::MatchBackColor, at, reach) > 0)
            return frame;
    return std::nullopt;
}

TEST_F(ByHand, TextsSmallerThanAPixelAreDotsWhileMatchesStayMarkedAndADeletedOneLeavesNothing)
{
    ASSERT_EQ(ZhdLoadDrawingJson(R"({"segments":[
{"id":1,"qualifier":0,"elements":[{"id":10,"type":33,"x":0,"y":0,"text":"문","height":0.5}]},
{"id":2,"qualifier":0,"elements":[{"id":20,"type":33,"x":100000,"y":60000,"text":"문","height":0.5}]},
{"id":3,"qualifier":0,"elements":[{"id":30,"type":33,"x":50000,"y":30000,"text":"창","height":0.5}]}]})"),
              0);
    Type(L"문");
    Key(VK_RETURN);
    Key(VK_RETURN);  // both framed, each a hundredth of a pixel high
    ASSERT_EQ(TakeTranscript().back(), BrowsePrompt);
    std::optional<ScreenFrame> lit = LitAt(ScreenPoint(0, 0), 4);
    ASSERT_TRUE(lit) << "the first match never showed its colour";
    EXPECT_GT(lit->Count(zelhost::MatchBackColor, ScreenPoint(100000, 60000), 4), 0) << "the second match";
    EXPECT_GT(lit->Count(zelhost::DotColor, ScreenPoint(50000, 30000), 1), 0) << "the other text, as a dot";
    Key(VK_RIGHT);
    EXPECT_TRUE(LitAt(ScreenPoint(0, 0), 8)) << "the current match, zoomed to and still too small to read";
    ZhdQueueDialogAnswer("ok");
    Key(VK_DELETE);
    EXPECT_FALSE(SegmentExists(1));
    ZhdPumpMessages(100);
    ScreenFrame after;
    EXPECT_EQ(after.Count(zelhost::DotColor, ScreenPoint(0, 0), 8), 0) << "the deleted match's place";
    EXPECT_EQ(after.Count(zelhost::MatchBackColor, ScreenPoint(0, 0), 8), 0) << "the deleted match's mark";
}

TEST_F(ByHand, ThePromptStaysWholeBesideThePointerWhileThePluginZoomsAway)
{
    ASSERT_NO_FATAL_FAILURE(BrowseTwoFarMatches());
    MoveTo(2500, 1500);
    RECT whole = ScreenFrame().Bounds(zelhost::PromptBackColor);
    ASSERT_GT(whole.right - whole.left, 200) << "the browse prompt at the middle of the view";
    // In the view's lower right corner, where the box cannot go below and right of the pointer.
    POINT mouse = MoveTo(5000, 0);
    auto expectWholeBesidePointer = [&](const char* when) {
        RECT box = ScreenFrame().Bounds(zelhost::PromptBackColor);
        EXPECT_EQ(box.right - box.left, whole.right - whole.left) << when;
        EXPECT_EQ(box.bottom - box.top, whole.bottom - whole.top) << when;
        EXPECT_TRUE(mouse.x >= box.left - 17 && mouse.x <= box.right + 17 && mouse.y >= box.top - 17 &&
                    mouse.y <= box.bottom + 17)
            << when << ": the pointer at " << mouse.x << "," << mouse.y << ", the prompt from " << box.left << ","
            << box.top << " to " << box.right << "," << box.bottom;
    };
    expectWholeBesidePointer("in the corner");
    Key(VK_RIGHT);
    expectWholeBesidePointer("after the zoom to the first match");
    TakeTranscript();
    Key(VK_RIGHT);
    EXPECT_EQ(TakeTranscript().front(), "zoom: 4900 2900 5100 3100") << "the zoom to the far match";
    expectWholeBesidePointer("after the zoom to the far match");
}

TEST_F(ByHand, ThePromptLeavesTheCurrentMatchClear)
{
    ASSERT_NO_FATAL_FAILURE(BrowseTwoFarMatches());
    Key(VK_RIGHT);  // the view on the first match alone
    ASSERT_EQ(TakeTranscript().front(), "zoom: -100 -100 100 100");
    // The match lit, first with the pointer away from it, then above and left of its text, where
    // a box below and right of the pointer would cover it.
    MoveTo(-90, -90);
    std::optional<ScreenFrame> away = LitFrame();
    ASSERT_TRUE(away) << "the current match never showed";
    RECT match = away->Bounds(zelhost::MatchBackColor);
    MoveTo(-8, 20);
    std::optional<ScreenFrame> beside = LitFrame();
    ASSERT_TRUE(beside) << "the current match never showed with the pointer beside it";
    RECT prompt = beside->Bounds(zelhost::PromptBackColor);
    RECT both{};
    EXPECT_FALSE(IntersectRect(&both, &match, &prompt))
        << "the prompt from " << prompt.left << "," << prompt.top << " to " << prompt.right << "," << prompt.bottom
        << " lies over the match from " << match.left << "," << match.top << " to " << match.right << ","
        << match.bottom;
}

// The click that brings the host window back from another program: a careful host eats it, so
// that it picks nothing; a host that delivers it takes it as a pick, which replaces every match.
class ActivatingClick : public ByHand, public ::testing::WithParamInterface<bool> {};

TEST_P(ActivatingClick, PicksOnlyOnAHostThatDeliversIt)
{
    bool delivered = GetParam();
    ASSERT_EQ(ZhdSetHostKind(delivered ? "activating-click delivered" : "activating-click eaten"), 0);
    Type(L"문");
    Key(VK_RETURN);
    Key(VK_RETURN);  // browsing both 문
    ZhdFitView();
    AnotherProgram other;
    ASSERT_TRUE(other.BringToFront()) << "the helper's window never came to the front";
    SetWindowPos(other.Window(), nullptr, 700, 600, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (delivered)
        ZhdQueueDialogAnswer("ok");
    TakeTranscript();
    Click(43, 64);  // on the 창
    EXPECT_EQ(TextOf(10), delivered ? L"창" : L"문");
    EXPECT_EQ(ZhdIsCommandRunning(), !delivered);
    EXPECT_NE(GetForegroundWindow(), other.Window()) << "the host window came to the front";
}

INSTANTIATE_TEST_SUITE_P(Cases, ActivatingClick, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "delivered" : "eaten");
                         });

}  // namespace
