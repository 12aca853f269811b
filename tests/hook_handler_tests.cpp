// The shortcuts over a stand-in of the system: the windows they type into, the layouts, and
// whole sequences of keys and passes, their own typing fed back through them.
#include "tests/support/TestSupport.h"

#include "tests/support/FakeKeys.h"

namespace {

using Keyins = std::vector<std::wstring>;

class Handler : public ::testing::Test {
public:
    void SetUp() override { Begin(); }

    void Begin(HWND inFront = MainWindow)
    {
        keys_.foreground = inFront;
        shortcuts_.Begin(keys_, now_);
    }
    // True when the shortcuts swallow the event.
    bool Event(DWORD key, WPARAM message = WM_KEYDOWN)
    {
        KBDLLHOOKSTRUCT event{key, 0, 0, now_, 0};
        return shortcuts_.Handle(keys_, message, event);
    }
    bool Tap(DWORD key)
    {
        bool swallowed = Event(key);
        Event(key, WM_KEYUP);
        return swallowed;
    }
    // The key-ins the key-in line submits of what the shortcuts typed, which the browse step
    // then receives.
    Keyins Arrive()
    {
        Keyins keyins = keys_.Deliver(shortcuts_, now_);
        for (const std::wstring& keyin : keyins) {
            shortcuts_.NoteBrowseEvent(keys_);
            shortcuts_.NoteKeyin(keys_, keyin);
        }
        return keyins;
    }
    void Wait(DWORD milliseconds) { now_ += milliseconds; }

    FakeKeys keys_;
    Shortcuts shortcuts_;
    DWORD now_ = 1000;
};

struct LayoutCase {
    const char* name;
    UINT_PTR layout;
    std::map<UINT, UINT> chars;
    bool types;
};

class KeyboardLayout : public Handler, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(KeyboardLayout, TypesTheWordsKeysOnlyWhereTheyGiveABrowseWord)
{
    keys_.layout = reinterpret_cast<HKL>(GetParam().layout);
    keys_.chars = GetParam().chars;
    EXPECT_EQ(Event(VK_RIGHT), GetParam().types);
    EXPECT_EQ(Arrive(), GetParam().types ? Keyins{L"zoomn"} : Keyins{});
}

// The Korean layout gives Hangul for the letters, which in Hangul mode compose the Korean form.
INSTANTIATE_TEST_SUITE_P(Cases, KeyboardLayout,
                         ::testing::Values(LayoutCase{"us", 0x04090409, {}, true},
                                           LayoutCase{"korean", 0x04120412, {{'Z', 0x314B}, {'O', 0x3150}}, true},
                                           LayoutCase{"russian", 0x04190419, {{'Z', 0x42F}, {'O', 0x429}}, false},
                                           LayoutCase{
                                               "only_the_last_letter_differs", 0x04090409, {{'N', 0x422}}, false}),
                         [](const ::testing::TestParamInfo<LayoutCase>& info) { return info.param.name; });

struct WindowCase {
    const char* name;
    HWND inFrontAtBegin;
    HWND inFront;
    bool types;
};

class Windows : public Handler, public ::testing::WithParamInterface<WindowCase> {};

TEST_P(Windows, TypeIntoTheWindowInFrontWhenBrowsingBeganAndTheHostsMainWindowAlone)
{
    Begin(GetParam().inFrontAtBegin);
    keys_.foreground = GetParam().inFront;
    EXPECT_EQ(Event(VK_RIGHT), GetParam().types);
    EXPECT_EQ(Arrive(), GetParam().types ? Keyins{L"zoomn"} : Keyins{});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Windows,
    ::testing::Values(WindowCase{"main", MainWindow, MainWindow, true},
                      WindowCase{"floating_keyin_line", KeyinWindow, KeyinWindow, true},
                      WindowCase{"main_of_a_floating_keyin_line", KeyinWindow, MainWindow, true},
                      WindowCase{"a_palette_the_main_window_owns", MainWindow, PaletteWindow, false},
                      WindowCase{"another_program", MainWindow, OtherProgram, false},
                      WindowCase{"another_program_when_browsing_began", OtherProgram, OtherProgram, false},
                      WindowCase{"none", MainWindow, nullptr, false}),
    [](const ::testing::TestParamInfo<WindowCase>& info) { return info.param.name; });

TEST_F(Handler, AKeyPressedBeforeTheHookIsRecoveredAndOneWhoseReleaseNeverCameLetGo)
{
    keys_.down = {VK_RSHIFT};  // pressed before the hook was installed
    EXPECT_FALSE(Event(VK_RIGHT));
    keys_.down.clear();
    EXPECT_FALSE(Event(VK_LCONTROL));
    Wait(40);
    EXPECT_FALSE(Event(VK_RIGHT)) << "the system lags behind the Ctrl the hook saw";
    Wait(AutoRepeatLimit - 40);
    EXPECT_FALSE(Event(VK_RIGHT)) << "it may be about to repeat";
    Wait(1);
    EXPECT_TRUE(Event(VK_RIGHT)) << "Ctrl's release never reached the hook";
    EXPECT_EQ(Arrive(), Keyins{L"zoomn"});
}

TEST_F(Handler, AStandDownBehindAWordOnItsWayOutlastsThatWordsArrivalHoweverLate)
{
    for (DWORD late : {DWORD{10}, OutstandingLimit + 100}) {
        shortcuts_.End();
        Begin();
        EXPECT_TRUE(Event(VK_RIGHT));
        Wait(late);
        EXPECT_FALSE(Event(VK_ESCAPE));
        EXPECT_EQ(Arrive(), Keyins{L"zoomn"}) << "the word arrives; the Escape reaches the host after it";
        EXPECT_FALSE(Event(VK_LEFT)) << late << " ms";
        shortcuts_.NoteBrowseEvent(keys_);  // the host passed the Escape on as an event: the pass goes on
        EXPECT_TRUE(Event(VK_LEFT)) << late << " ms";
        Arrive();
        Wait(100);
    }
}

TEST_F(Handler, EscapeOverATypedTextLeavesTheShortcutsOn)
{
    EXPECT_FALSE(Tap('A'));
    keys_.line = L"a";
    EXPECT_FALSE(Event(VK_ESCAPE));
    keys_.line.clear();  // the host cleared it
    EXPECT_TRUE(Event(VK_RIGHT));
    EXPECT_EQ(Arrive(), Keyins{L"zoomn"});
}

// On a host where Escape only clears the key-in line, an Escape on the emptied line is the one
// that leaves the command, however the typing before it ended.
TEST_F(Handler, EscapeOnTheLineAnEscapeEmptiedStandsTheShortcutsDown)
{
    for (bool step : {false, true}) {
        Begin();
        EXPECT_FALSE(Tap('A'));
        keys_.line = L"a";
        EXPECT_FALSE(Tap(VK_ESCAPE));
        keys_.line.clear();
        if (step) {
            EXPECT_TRUE(Tap(VK_RIGHT));
            keys_.keysPending = true;  // the browse step receives its word before the host has all its keys
            Arrive();
            keys_.keysPending = false;
        }
        EXPECT_FALSE(Tap(VK_ESCAPE));
        EXPECT_TRUE(Tap(VK_DELETE)) << "swallowed, never the host's own";
        EXPECT_EQ(Arrive(), Keyins{}) << (step ? "after a step" : "at once");
        shortcuts_.End();
    }
}

TEST_F(Handler, AWordOnItsWayWhenThePassEndsIsAStrayOnceInAnyCaseOrForm)
{
    EXPECT_FALSE(shortcuts_.NoteKeyin(keys_, L"zoomn")) << "none on its way";
    EXPECT_TRUE(Event(VK_RIGHT));
    shortcuts_.End();
    EXPECT_TRUE(shortcuts_.NoteKeyin(keys_, L"ZOOMN"));
    EXPECT_FALSE(shortcuts_.NoteKeyin(keys_, L"zoomn")) << "taken once";
    Begin();
    EXPECT_TRUE(Event(VK_DELETE));
    shortcuts_.End();
    Begin();  // the next pass begins before the stray arrives
    EXPECT_TRUE(shortcuts_.NoteKeyin(keys_, L"캐ㅐㅡㅇ"));
}

// Words arrive in the order they were typed: one that is no stray came after the strays, which
// went elsewhere; and a stray like the word of the pass on its way costs one press at most.
TEST_F(Handler, AStrayLostElsewhereNeverHoldsUpTheNextPass)
{
    EXPECT_TRUE(Event(VK_RIGHT));
    shortcuts_.End();
    EXPECT_FALSE(shortcuts_.NoteKeyin(keys_, L"zoomp")) << "typed after the stray";
    EXPECT_FALSE(shortcuts_.NoteKeyin(keys_, L"zoomn")) << "the stray was lost";
    Begin();
    EXPECT_TRUE(Tap(VK_RIGHT));
    keys_.Deliver(shortcuts_, now_);  // to a command of the host's own
    shortcuts_.End();
    Begin();
    EXPECT_TRUE(Tap(VK_RIGHT));
    EXPECT_EQ(keys_.Deliver(shortcuts_, now_), Keyins{L"zoomn"});
    EXPECT_TRUE(shortcuts_.NoteKeyin(keys_, L"zoomn")) << "it may be the stray";
    EXPECT_TRUE(Tap(VK_RIGHT));
    EXPECT_EQ(keys_.Deliver(shortcuts_, now_), Keyins{L"zoomn"}) << "the pass does not wait on";
    EXPECT_FALSE(shortcuts_.NoteKeyin(keys_, L"zoomn"));
}

TEST_F(Handler, AfterThePassEndsOnlyTheDeleteTakenIsKeptAndGoesWithItsRelease)
{
    EXPECT_TRUE(Event(VK_DELETE));
    Arrive();
    shortcuts_.End();
    EXPECT_TRUE(shortcuts_.NeedsHook());
    EXPECT_FALSE(Event(VK_RIGHT)) << "nothing is typed after the pass";
    EXPECT_EQ(Arrive(), Keyins{});
    Begin();  // a new pass while it is still held
    EXPECT_FALSE(Event(VK_DELETE, WM_KEYUP));
    EXPECT_TRUE(shortcuts_.NeedsHook()) << "the new pass keeps the hook";
    shortcuts_.End();
    EXPECT_FALSE(shortcuts_.NeedsHook());
}

}  // namespace
