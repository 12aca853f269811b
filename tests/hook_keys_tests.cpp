// The shortcuts with real key events through the system's input on the virtual display: what
// the plug-in's hook types, swallows and passes on, in the stand-in host's window.
#include "tests/support/TestSupport.h"

#include "tests/support/AnotherProgram.h"
#include "tests/support/KeyRecorder.h"

#include "command/Command.h"
#include "hook/KeyHook.h"
#include "zelhost/OpenDialog.h"

#include <deque>
#include <functional>

namespace {

using Lines = std::vector<std::string>;

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
class RealKeys : public HostTest {
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

class ShortcutKey : public RealKeys, public ::testing::WithParamInterface<Key> {};

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

TEST_F(RealKeys, AHeldArrowTypesAgainOnlyOnceItsWordHasArrived)
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

TEST_F(RealKeys, DeleteHeldAcrossTheEndOfThePassDeletesOnceAndNoRepeatGetsThrough)
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
    bool passedOn;  // a Delete never reaches the host window on its own
};

class ModifiedKey : public RealKeys, public ::testing::WithParamInterface<Modified> {};

TEST_P(ModifiedKey, TypesNothingAndChangesNothing)
{
    std::string before = zhd::DrawingJson();
    std::vector<KeyEvent> seen = PressAndSettle(GetParam().key, 1, {GetParam().modifier});
    EXPECT_EQ(SawKeyDown(seen, GetParam().key), GetParam().passedOn) << ::testing::PrintToString(seen);
    EXPECT_EQ(Typed(seen), std::vector<KeyEvent>{});
    EXPECT_EQ(TakeTranscript(), Lines{});
    EXPECT_EQ(zhd::DrawingJson(), before);
    EXPECT_EQ(CurrentIndex, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, ModifiedKey,
                         ::testing::Values(Modified{"ctrl_right", VK_RIGHT, VK_CONTROL, true},
                                           Modified{"shift_delete", VK_DELETE, VK_SHIFT, false},
                                           Modified{"alt_left", VK_LEFT, VK_MENU, true}),
                         [](const ::testing::TestParamInfo<Modified>& info) { return std::string(info.param.name); });

TEST_F(RealKeys, OtherKeysArePassedOn)
{
    std::vector<KeyEvent> seen = PressAndSettle(VK_UP);
    Press('A');
    ZhdPumpMessages(100);
    EXPECT_EQ(KeyRecorder::Seen().size(), 4u);
    EXPECT_EQ(Typed(KeyRecorder::Seen()), std::vector<KeyEvent>{});
}

TEST_F(RealKeys, AHostMessageBoxUpGetsTheKeyUnchanged)
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

TEST_F(RealKeys, TheResultBoxOfAnEditIsNotAnsweredByAKey)
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

TEST_F(RealKeys, OnceThePassHasEndedEveryShortcutKeyReachesTheWindowUnchanged)
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

// A busy host reads the keys pressed while the command searched only once browsing has begun:
// typed ahead, before any match was shown, they are no shortcuts.
TEST_F(RealKeys, KeysTypedAheadWhileTheCommandSearchedAreNoShortcuts)
{
    DWORD whileSearching = GetTickCount() - 1000;  // the hook went in just now
    for (WORD key : {VK_RIGHT, VK_DELETE}) {
        INPUT input[2] = {};
        for (INPUT& i : input) {
            i.type = INPUT_KEYBOARD;
            i.ki.wVk = key;
            i.ki.time = whileSearching;
        }
        input[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, input, sizeof(INPUT));
    }
    ZhdPumpMessages(300);
    EXPECT_EQ(Typed(KeyRecorder::Seen()), std::vector<KeyEvent>{});
    EXPECT_EQ(KeyinsReceived(), 0u);
}

TEST_F(RealKeys, InstallingAgainRemovesTheOldHookAndRemovingLeavesNone)
{
    HHOOK first = HookHandle.Get();
    HHOOK second = InstallKeyHook();
    ASSERT_NE(second, nullptr);
    EXPECT_FALSE(UnhookWindowsHookEx(first)) << "the first hook was left installed";
    RemoveKeyHook();
    EXPECT_FALSE(UnhookWindowsHookEx(second)) << "the second hook was left installed";
    RemoveKeyHook();
    EXPECT_EQ(Typed(PressAndSettle(VK_RIGHT)), std::vector<KeyEvent>{});
}

// A focused control that takes no selection is no text being typed, whatever its caption says.
TEST_F(RealKeys, AFocusedControlThatIsNoTextFieldDoesNotStopTheShortcuts)
{
    HWND button =
        CreateWindowExW(0, L"BUTTON", L"확인", WS_CHILD | WS_VISIBLE, 0, 0, 60, 20, host_, nullptr, nullptr, nullptr);
    SetFocus(button);
    ASSERT_EQ(GetFocus(), button);
    std::vector<KeyEvent> seen = PressAndSettle(VK_RIGHT);
    DestroyWindow(button);
    EXPECT_EQ(Typed(seen), BrowseTyping('N'));
}

// Another program (the tests' own helper) with its window in front.
class InFrontElsewhere : public RealKeys {
protected:
    bool BringToFront() { return other_.BringToFront(); }

    AnotherProgram other_;
};

TEST_F(InFrontElsewhere, InFrontGetsTheKeyUnchanged)
{
    ASSERT_TRUE(BringToFront()) << "the helper's window never came to the front";
    std::vector<KeyEvent> seen = PressAndSettle(VK_RIGHT);
    EXPECT_TRUE(SawKeyDown(seen, VK_RIGHT));
    EXPECT_EQ(Typed(seen), std::vector<KeyEvent>{});
    EXPECT_EQ(TakeTranscript(), Lines{});
}

TEST_F(InFrontElsewhere, InFrontWhenBrowsingBeganLeavesTheShortcutsOff)
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
