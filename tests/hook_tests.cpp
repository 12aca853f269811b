// The arrow and Delete key shortcuts: the hook's decision as a table, then real key events
// through the system's input on the virtual display.
#include "tests/support/TestSupport.h"

#include "tests/support/KeyRecorder.h"

#include "command/Command.h"
#include "hook/KeyHook.h"
#include "zelhost/OpenDialog.h"

#include <deque>
#include <functional>
#include <map>
#include <set>

bool operator==(const ShortcutState& a, const ShortcutState& b)
{
    return a.deleteDown == b.deleteDown && a.wordOutstanding == b.wordOutstanding && a.wordTime == b.wordTime &&
           a.stoodDown == b.stoodDown && a.escapeBehindWord == b.escapeBehindWord;
}

std::ostream& operator<<(std::ostream& out, KeyAction a)
{
    return out << (a == KeyAction::Type ? "type" : a == KeyAction::Swallow ? "swallow" : "pass on");
}

std::ostream& operator<<(std::ostream& out, const ShortcutState& s)
{
    return out << "{delete down " << s.deleteDown << ", word " << s.wordOutstanding << " at " << s.wordTime
               << ", stood down " << s.stoodDown << ", escape behind word " << s.escapeBehindWord << "}";
}

namespace {

using Lines = std::vector<std::string>;

// ---------------------------------------------------------------------------------------------
// The decision

constexpr DWORD Now = 100000;  // the event's time stamp in every row

ShortcutState Held() { return ShortcutState{true}; }
ShortcutState WordSince(DWORD time, bool deleteDown = false) { return ShortcutState{deleteDown, true, time}; }
ShortcutState StoodDown(ShortcutState s = {}) { return {s.deleteDown, s.wordOutstanding, s.wordTime, true}; }

KeyFacts Facts(DWORD key, WPARAM message = WM_KEYDOWN, bool modifierHeld = false,
               Foreground foreground = Foreground::BrowseWindow, Layout layout = Layout::Latin,
               ShortcutState state = {})
{
    return KeyFacts{message, key, Now, state, modifierHeld, foreground, layout};
}

KeyFacts After(ShortcutState state, DWORD key = VK_RIGHT, Foreground foreground = Foreground::BrowseWindow)
{
    return Facts(key, WM_KEYDOWN, false, foreground, Layout::Latin, state);
}

struct Decision {
    const char* name;
    KeyFacts facts;
    KeyAction action;
    ShortcutState after;
};

class Decide : public ::testing::TestWithParam<Decision> {};

TEST_P(Decide, TypesOnlyAPlainPressInTheBrowseWindowWithNoWordOnItsWay)
{
    KeyDecision decision = DecideKey(GetParam().facts);
    EXPECT_EQ(decision.action, GetParam().action);
    EXPECT_EQ(decision.next, GetParam().after);
}

const KeyAction Type = KeyAction::Type, PassOn = KeyAction::PassOn, Swallow = KeyAction::Swallow;
const Foreground Elsewhere = Foreground::Elsewhere;

INSTANTIATE_TEST_SUITE_P(
    Cases, Decide,
    ::testing::Values(
        Decision{"right", Facts(VK_RIGHT), Type, WordSince(Now)},
        Decision{"left_korean_layout", Facts(VK_LEFT, WM_KEYDOWN, false, Foreground::BrowseWindow, Layout::Korean),
                 Type, WordSince(Now)},
        Decision{"delete", Facts(VK_DELETE), Type, WordSince(Now, true)},
        Decision{"right_released", Facts(VK_RIGHT, WM_KEYUP), PassOn, {}},
        Decision{"right_with_a_modifier", Facts(VK_RIGHT, WM_KEYDOWN, true), PassOn, {}},
        Decision{"delete_with_a_modifier", Facts(VK_DELETE, WM_KEYDOWN, true), PassOn, {}},
        Decision{"left_with_alt", Facts(VK_LEFT, WM_SYSKEYDOWN), PassOn, {}},
        Decision{"right_other_layout",
                 Facts(VK_RIGHT, WM_KEYDOWN, false, Foreground::BrowseWindow, Layout::Other),
                 PassOn,
                 {}},
        Decision{"right_elsewhere", After({}, VK_RIGHT, Elsewhere), PassOn, {}},
        Decision{"right_modal_box_up", After({}, VK_RIGHT, Foreground::BrowseWindowDisabled), PassOn, {}},
        Decision{"delete_while_typing", After({}, VK_DELETE, Foreground::BrowseWindowTyping), PassOn, {}},
        Decision{"escape_while_typing", After({}, VK_ESCAPE, Foreground::BrowseWindowTyping), PassOn, StoodDown()},
        Decision{"delete_repeat", After(Held(), VK_DELETE), Swallow, Held()},
        Decision{"delete_repeat_with_alt", Facts(VK_DELETE, WM_SYSKEYDOWN, true, Elsewhere, Layout::Latin, Held()),
                 Swallow, Held()},
        Decision{"delete_repeat_stood_down", After(StoodDown(Held()), VK_DELETE), Swallow, StoodDown(Held())},
        Decision{"delete_released", Facts(VK_DELETE, WM_KEYUP, false, Elsewhere, Layout::Latin, Held()), PassOn, {}},
        Decision{"right_while_delete_held", After(Held()), Type, WordSince(Now, true)},
        Decision{"another_key", Facts('A', WM_KEYDOWN, false, Foreground::BrowseWindow, Layout::Latin, Held()), PassOn,
                 Held()},
        Decision{"up_arrow", Facts(VK_UP), PassOn, {}},
        Decision{"right_word_on_its_way", After(WordSince(Now - OutstandingLimit)), Swallow,
                 WordSince(Now - OutstandingLimit)},
        Decision{"right_word_on_its_way_elsewhere", After(WordSince(Now - 10), VK_RIGHT, Elsewhere), Swallow,
                 WordSince(Now - 10)},
        Decision{"delete_word_on_its_way", After(WordSince(Now - 10), VK_DELETE), Swallow, WordSince(Now - 10, true)},
        Decision{"right_word_on_its_way_clock_wrapped",
                 KeyFacts{WM_KEYDOWN, VK_RIGHT, 0x10, WordSince(0xFFFFFFF0u), false, Foreground::BrowseWindow}, Swallow,
                 WordSince(0xFFFFFFF0u)},
        Decision{"right_word_overdue", After(WordSince(Now - OutstandingLimit - 1)), PassOn,
                 StoodDown(WordSince(Now - OutstandingLimit - 1))},
        Decision{"right_stood_down", After(StoodDown()), PassOn, StoodDown()},
        Decision{"escape_in_the_browse_window", After({}, VK_ESCAPE), PassOn, StoodDown()},
        Decision{"escape_elsewhere", After({}, VK_ESCAPE, Elsewhere), PassOn, {}},
        Decision{"escape_behind_a_word", After(WordSince(Now - 10), VK_ESCAPE), PassOn,
                 ShortcutState{false, true, Now - 10, true, true}}),
    [](const ::testing::TestParamInfo<Decision>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// The handler, with the system's facts and typing stood in for

const HWND BrowseHere = reinterpret_cast<HWND>(0x1000);
const HWND Palette = reinterpret_cast<HWND>(0x2000);  // a window the browse window owns

class FakeKeys final : public KeySystem {
public:
    HWND ForegroundWindow() override { return foreground; }
    bool IsEnabled(HWND window) override { return window == BrowseHere && enabled; }
    bool IsKeyDown(DWORD key) override { return down.count(key) > 0; }
    bool FocusHoldsText() override { return false; }
    HKL LayoutOf(HWND) override { return layout; }
    UINT CharOf(UINT key, HKL) override { return chars.count(key) ? chars.at(key) : key; }
    void Tap(BYTE key, BYTE scanCode, ULONG_PTR extra) override
    {
        typed.push_back(KeyEvent{WM_KEYDOWN, key, scanCode, extra});
        typed.push_back(KeyEvent{WM_KEYUP, key, scanCode, extra});
    }

    HWND foreground = BrowseHere;
    bool enabled = true;
    std::set<DWORD> down;  // the keys the system reports down
    HKL layout = reinterpret_cast<HKL>(0x04090409);
    std::map<UINT, UINT> chars;  // the layout's characters, where not the key's own letter
    std::vector<KeyEvent> typed;
};

class Handler : public ::testing::Test {
protected:
    void SetUp() override { ResetShortcuts(BrowseHere); }
    void TearDown() override { ResetShortcuts(nullptr); }

    // True when the handler swallows the event.
    bool Event(DWORD key, DWORD time, WPARAM message = WM_KEYDOWN)
    {
        KBDLLHOOKSTRUCT event{key, 0, 0, time, 0};
        return HandleKeyEvent(keys_, message, event);
    }

    FakeKeys keys_;
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
    EXPECT_EQ(Event(VK_RIGHT, 1000), GetParam().types);
    EXPECT_EQ(keys_.typed, GetParam().types ? BrowseTyping('N') : std::vector<KeyEvent>{});
}

// The Korean layout gives Hangul for the letters, which in Hangul mode compose the Korean form.
INSTANTIATE_TEST_SUITE_P(Cases, KeyboardLayout,
                         ::testing::Values(LayoutCase{"us", 0x04090409, {}, true},
                                           LayoutCase{"korean", 0x04120412, {{'Z', 0x314B}, {'O', 0x3150}}, true},
                                           LayoutCase{"russian", 0x04190419, {{'Z', 0x42F}, {'O', 0x429}}, false},
                                           LayoutCase{
                                               "only_the_last_letter_differs", 0x04090409, {{'N', 0x422}}, false}),
                         [](const ::testing::TestParamInfo<LayoutCase>& info) { return info.param.name; });

TEST_F(Handler, TypesOnlyWhileTheBrowseWindowItselfIsInFrontAndTakesInput)
{
    keys_.foreground = Palette;
    EXPECT_FALSE(Event(VK_RIGHT, 1000));
    keys_.foreground = nullptr;
    EXPECT_FALSE(Event(VK_DELETE, 1010));
    keys_.foreground = BrowseHere;
    keys_.enabled = false;  // a modal box of the host is up
    EXPECT_FALSE(Event(VK_LEFT, 1020));
    EXPECT_EQ(keys_.typed, std::vector<KeyEvent>{});
    keys_.enabled = true;
    EXPECT_TRUE(Event(VK_LEFT, 1030));
    EXPECT_EQ(keys_.typed, BrowseTyping('P'));
}

TEST_F(Handler, AModifierWhoseReleaseNeverCameIsLetGoAfterTheGrace)
{
    keys_.down = {VK_RSHIFT};  // pressed before the hook was installed
    EXPECT_FALSE(Event(VK_RIGHT, 900));
    keys_.down.clear();
    EXPECT_FALSE(Event(VK_LCONTROL, 1000));
    EXPECT_FALSE(Event(VK_RIGHT, 1040)) << "the system lags behind the Ctrl the hook saw";
    keys_.down = {VK_LCONTROL};
    EXPECT_FALSE(Event(VK_RIGHT, 1100));
    keys_.down.clear();  // from here on the system reports Ctrl up; its release never reaches the hook
    EXPECT_FALSE(Event(VK_RIGHT, 1200));
    EXPECT_FALSE(Event(VK_RIGHT, 1200 + ModifierGrace)) << "still within the grace";
    EXPECT_EQ(keys_.typed, std::vector<KeyEvent>{});
    EXPECT_TRUE(Event(VK_RIGHT, 1201 + ModifierGrace));
    EXPECT_EQ(keys_.typed, BrowseTyping('N'));
}

TEST_F(Handler, AnEscapeBehindAWordOnItsWayOutlastsThatWordsArrival)
{
    EXPECT_TRUE(Event(VK_RIGHT, 1000));
    EXPECT_FALSE(Event(VK_ESCAPE, 1010));
    NoteBrowseEvent();  // the word arrives; the Escape reaches the host after it
    EXPECT_FALSE(Event(VK_LEFT, 1100));
    NoteBrowseEvent();  // the host passed the Escape on as an event: the pass goes on
    EXPECT_TRUE(Event(VK_LEFT, 1200));
    EXPECT_EQ(keys_.typed.size(), 2 * BrowseTyping('P').size()) << "two words";
}

// ---------------------------------------------------------------------------------------------
// Real keys

// Steps run one after another, 150 ms apart, from inside whatever message loop the thread is
// in: a modal box's own included.
std::deque<std::function<void()>> PendingSteps;

void CALLBACK RunNextStep(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (PendingSteps.empty()) {
        KillTimer(nullptr, timer);
        return;
    }
    auto step = std::move(PendingSteps.front());
    PendingSteps.pop_front();
    step();
}

void Schedule(std::initializer_list<std::function<void()>> steps)
{
    PendingSteps.assign(steps);
    SetTimer(nullptr, 0, 150, RunNextStep);
}

// Browsing two matches of "문" in the host window, with the plug-in's hook installed after a
// recording hook: the recorder runs after the plug-in's and sees exactly what it passes on.
class Shortcuts : public HostTest {
protected:
    void SetUp() override
    {
        HostTest::SetUp();
        host_ = static_cast<HWND>(ZhdCreateWindow());
        ASSERT_NE(host_, nullptr);
        ZhdFocusKeyinLine();
        DrawingBuilder().Annotation(1, 10, 0, 0, L"문").Annotation(2, 20, 50, 50, L"문").Load();
        EnterBrowseDirectly(Chain::Identical, L"문");
        recorder_ = std::make_unique<KeyRecorder>();
        ASSERT_TRUE(recorder_->Installed());
        ASSERT_NE(InstallKeyHook(), nullptr);
        TakeTranscript();
        KeyRecorder::Seen().clear();
    }
    void TearDown() override
    {
        RemoveKeyHook();
        recorder_.reset();
        HostTest::TearDown();
    }

    // Presses a key (held for `downs` key-downs) with the modifiers held around it, and lets the
    // host window take what arrives.
    std::vector<KeyEvent> PressAndSettle(WORD key, int downs = 1, std::initializer_list<BYTE> modifiers = {})
    {
        for (BYTE modifier : modifiers)
            keybd_event(modifier, 0, 0, 0);
        Press(key, downs);
        for (BYTE modifier : modifiers)
            keybd_event(modifier, 0, KEYEVENTF_KEYUP, 0);
        ZhdPumpMessages(300);
        return KeyRecorder::Seen();
    }

    size_t KeyinsReceived()
    {
        Lines log = zhd::CallLog();
        return static_cast<size_t>(
            std::count_if(log.begin(), log.end(), [](const std::string& l) { return l.rfind("event 5", 0) == 0; }));
    }

    HWND host_ = nullptr;
    std::unique_ptr<KeyRecorder> recorder_;
};

struct Key {
    WORD virtualKey;
    DWORD letter;
    Lines browseStep;
};

class ShortcutKey : public Shortcuts, public ::testing::WithParamInterface<Key> {};

TEST_P(ShortcutKey, IsSwallowedAndTypedAsTheBrowseKeyIn)
{
    std::vector<KeyEvent> expected = BrowseTyping(GetParam().letter);
    expected.push_back(KeyEvent{WM_KEYUP, GetParam().virtualKey, 0, 0});
    EXPECT_EQ(PressAndSettle(GetParam().virtualKey), expected) << "the press swallowed, its release passed on";
    EXPECT_EQ(TakeTranscript(), GetParam().browseStep);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ShortcutKey,
    ::testing::Values(
        Key{VK_RIGHT, 'N', {"zoom: -100 -100 100 100", "info: 총 2개의 주기를 발견하였습니다.[ 1/2 ]", "result: stay"}},
        Key{VK_LEFT, 'P', {"zoom: -50 -50 150 150", "info: 총 2개의 주기를 발견하였습니다.[ 2/2 ]", "result: stay"}},
        Key{VK_DELETE, 'D', {"messagebox: 총 2개의 주기를 삭제하였습니다.", "result: finish"}}));

TEST_F(Shortcuts, AHeldArrowTypesAgainOnlyOnceItsWordHasArrived)
{
    keybd_event(VK_RIGHT, 0, 0, 0);
    keybd_event(VK_RIGHT, 0, 0, 0);  // its word is still on its way: swallowed
    ZhdPumpMessages(200);
    Press(VK_RIGHT);
    ZhdPumpMessages(200);
    std::vector<KeyEvent> twice = BrowseTyping('N'), second = BrowseTyping('N');
    twice.insert(twice.end(), second.begin(), second.end());
    EXPECT_EQ(Typed(KeyRecorder::Seen()), twice);
    EXPECT_FALSE(SawKeyDown(KeyRecorder::Seen(), VK_RIGHT));
    EXPECT_EQ(CurrentIndex, 2) << "two steps on from all matches";
}

TEST_F(Shortcuts, DeleteHeldAcrossTheEndOfThePassDeletesOnceAndNoRepeatGetsThrough)
{
    keybd_event(VK_DELETE, 0, 0, 0);
    ZhdPumpMessages(300);
    EXPECT_EQ(TakeTranscript(), (Lines{"messagebox: 총 2개의 주기를 삭제하였습니다.", "result: finish"}));
    EXPECT_NE(HookHandle.Get(), nullptr) << "kept for the Delete still held";
    Press(VK_DELETE, 4);  // four more auto-repeats, then the release
    ZhdPumpMessages(100);
    EXPECT_EQ(HookHandle.Get(), nullptr) << "gone with the release";
    EXPECT_EQ(Typed(KeyRecorder::Seen()), BrowseTyping('D'));
    EXPECT_FALSE(SawKeyDown(KeyRecorder::Seen(), VK_DELETE));
    EXPECT_EQ(KeyinsReceived(), 1u) << "no stray key-in after the pass (the host records it as a violation too)";
    EXPECT_TRUE(SawKeyDown(PressAndSettle(VK_DELETE), VK_DELETE)) << "the next press is the window's";
}

struct Modified {
    const char* name;
    WORD key;
    BYTE modifier;
};

class ModifiedKey : public Shortcuts, public ::testing::WithParamInterface<Modified> {};

TEST_P(ModifiedKey, IsPassedOnUntouchedAndChangesNothing)
{
    std::string before = zhd::DrawingJson();
    std::vector<KeyEvent> seen = PressAndSettle(GetParam().key, 1, {GetParam().modifier});
    EXPECT_TRUE(SawKeyDown(seen, GetParam().key)) << ::testing::PrintToString(seen);
    EXPECT_EQ(Typed(seen), std::vector<KeyEvent>{});
    EXPECT_EQ(TakeTranscript(), Lines{});
    EXPECT_EQ(zhd::DrawingJson(), before);
    EXPECT_EQ(CurrentIndex, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, ModifiedKey,
                         ::testing::Values(Modified{"ctrl_right", VK_RIGHT, VK_CONTROL},
                                           Modified{"shift_delete", VK_DELETE, VK_SHIFT},
                                           Modified{"alt_left", VK_LEFT, VK_MENU}),
                         [](const ::testing::TestParamInfo<Modified>& info) { return std::string(info.param.name); });

TEST_F(Shortcuts, OtherKeysArePassedOn)
{
    std::vector<KeyEvent> seen = PressAndSettle(VK_UP);
    Press('A');
    ZhdPumpMessages(100);
    EXPECT_EQ(KeyRecorder::Seen().size(), 4u);
    EXPECT_EQ(Typed(KeyRecorder::Seen()), std::vector<KeyEvent>{});
}

TEST_F(Shortcuts, AHostMessageBoxUpGetsTheKeyUnchanged)
{
    bool boxStayedOpen = false;
    Schedule({[] { Press(VK_RIGHT); }, [&] { boxStayedOpen = zelhost::OpenDialog() != nullptr; },
              [] { PostMessageW(zelhost::OpenDialog(), WM_COMMAND, IDOK, 0); }});
    MessageBoxW(host_, L"호스트의 메시지", L"Zel host", MB_OK);
    EXPECT_TRUE(boxStayedOpen) << "no Enter was typed into the box";
    EXPECT_TRUE(SawKeyDown(KeyRecorder::Seen(), VK_RIGHT));
    EXPECT_EQ(Typed(KeyRecorder::Seen()), std::vector<KeyEvent>{});
    EXPECT_EQ(CurrentIndex, 0);
}

TEST_F(Shortcuts, TheResultBoxOfAnEditIsNotAnsweredByAKey)
{
    ZhdSetModalMessageBoxes(1);
    bool hookGone = false, boxStayedOpen = false;
    Schedule({[&] {
                  hookGone = HookHandle.Get() == nullptr;
                  Press(VK_RIGHT);
              },
              [&] { boxStayedOpen = zelhost::OpenDialog() != nullptr; },
              [] { PostMessageW(zelhost::OpenDialog(), WM_COMMAND, IDOK, 0); }});
    EXPECT_EQ(ZhdSendKeyin(L"창"), finish);
    EXPECT_TRUE(hookGone) << "the shortcuts went before the edit and its box";
    EXPECT_TRUE(boxStayedOpen) << "the key reached the box unchanged";
    EXPECT_TRUE(SawKeyDown(KeyRecorder::Seen(), VK_RIGHT));
    EXPECT_EQ(Typed(KeyRecorder::Seen()), std::vector<KeyEvent>{});
    EXPECT_EQ(TextOf(10), L"창");
}

TEST_F(Shortcuts, OnceThePassHasEndedEveryShortcutKeyReachesTheWindowUnchanged)
{
    EXPECT_EQ(ZhdSendConfirm(), finish);
    EXPECT_EQ(HookHandle.Get(), nullptr);
    TakeTranscript();
    for (WORD key : {VK_RIGHT, VK_LEFT, VK_DELETE})
        PressAndSettle(key);
    EXPECT_EQ(KeyRecorder::Seen().size(), 6u) << ::testing::PrintToString(KeyRecorder::Seen());
    EXPECT_EQ(Typed(KeyRecorder::Seen()), std::vector<KeyEvent>{});
    EXPECT_EQ(TakeTranscript(), Lines{});
}

TEST_F(Shortcuts, InstallingAgainReplacesTheHookAndRemovingLeavesNone)
{
    InstallKeyHook();
    RemoveKeyHook();
    EXPECT_EQ(Typed(PressAndSettle(VK_RIGHT)), std::vector<KeyEvent>{});
    RemoveKeyHook();
}

// Another program (the tests' own helper) with its window in front.
class AnotherProgram : public Shortcuts {
protected:
    void TearDown() override
    {
        if (process_.hProcess) {
            if (HWND window = FindWindowW(nullptr, L"Sorvane test: another program"))
                PostMessageW(window, WM_CLOSE, 0, 0);
            WaitForSingleObject(process_.hProcess, 5000);
            CloseHandle(process_.hThread);
            CloseHandle(process_.hProcess);
        }
        Shortcuts::TearDown();
    }

    // Starts the helper and waits until its window is in front.
    bool BringToFront()
    {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        wchar_t command[] = L"foreground_helper.exe";
        if (!CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process_))
            return false;
        for (int i = 0; i < 100; ++i) {
            ZhdPumpMessages(50);
            DWORD process = 0;
            GetWindowThreadProcessId(GetForegroundWindow(), &process);
            if (process == process_.dwProcessId)
                return true;
        }
        return false;
    }

    PROCESS_INFORMATION process_{};
};

TEST_F(AnotherProgram, InFrontGetsTheKeyUnchanged)
{
    ASSERT_TRUE(BringToFront()) << "the helper's window never came to the front";
    std::vector<KeyEvent> seen = PressAndSettle(VK_RIGHT);
    EXPECT_TRUE(SawKeyDown(seen, VK_RIGHT));
    EXPECT_EQ(Typed(seen), std::vector<KeyEvent>{});
    EXPECT_EQ(TakeTranscript(), Lines{});
}

TEST_F(AnotherProgram, InFrontWhenBrowsingBeganLeavesTheShortcutsOff)
{
    ASSERT_TRUE(BringToFront()) << "the helper's window never came to the front";
    InstallKeyHook();
    ZhdFocusKeyinLine();
    KeyRecorder::Seen().clear();
    std::vector<KeyEvent> seen = PressAndSettle(VK_RIGHT);
    EXPECT_EQ(Typed(seen), std::vector<KeyEvent>{});
    EXPECT_EQ(ZhdSendKeyin(L"zoomn"), stay) << "typed key-ins still work";
}

}  // namespace
