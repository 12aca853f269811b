// The arrow and Delete key shortcuts: the hook's decision as a table, then real key events
// through the system's input on the virtual display.
#include "tests/support/TestSupport.h"

#include "tests/support/KeyRecorder.h"

#include "command/Command.h"
#include "hook/KeyHook.h"
#include "plugin/SorvaneApp.h"

#include <deque>
#include <functional>

namespace {

using Lines = std::vector<std::string>;

// ---------------------------------------------------------------------------------------------
// The decision

KeyFacts Facts(DWORD key, WPARAM message = WM_KEYDOWN, bool modifierHeld = false,
               Foreground foreground = Foreground::BrowseWindow, Layout layout = Layout::Latin, bool deleteDown = false)
{
    return KeyFacts{message, ShortcutFor(key), deleteDown, modifierHeld, foreground, layout};
}

struct Decision {
    const char* name;
    KeyFacts facts;
    KeyAction action;
    bool deleteDownAfter;
};

class Decide : public ::testing::TestWithParam<Decision> {};

TEST_P(Decide, TypesOnlyAPlainPressInTheBrowseWindow)
{
    KeyDecision decision = DecideKey(GetParam().facts);
    EXPECT_EQ(decision.action, GetParam().action);
    EXPECT_EQ(decision.deleteDown, GetParam().deleteDownAfter);
}

const KeyAction Type = KeyAction::Type, PassOn = KeyAction::PassOn, Swallow = KeyAction::Swallow;

INSTANTIATE_TEST_SUITE_P(
    Cases, Decide,
    ::testing::Values(
        Decision{"right", Facts(VK_RIGHT), Type, false},
        Decision{"left_korean_layout", Facts(VK_LEFT, WM_KEYDOWN, false, Foreground::BrowseWindow, Layout::Korean),
                 Type, false},
        Decision{"delete", Facts(VK_DELETE), Type, true},
        Decision{"right_released", Facts(VK_RIGHT, WM_KEYUP), PassOn, false},
        Decision{"right_with_a_modifier", Facts(VK_RIGHT, WM_KEYDOWN, true), PassOn, false},
        Decision{"delete_with_a_modifier", Facts(VK_DELETE, WM_KEYDOWN, true), PassOn, false},
        Decision{"left_with_alt", Facts(VK_LEFT, WM_SYSKEYDOWN), PassOn, false},
        Decision{"right_other_layout", Facts(VK_RIGHT, WM_KEYDOWN, false, Foreground::BrowseWindow, Layout::Other),
                 PassOn, false},
        Decision{"right_elsewhere", Facts(VK_RIGHT, WM_KEYDOWN, false, Foreground::Elsewhere), PassOn, false},
        Decision{"right_modal_box_up", Facts(VK_RIGHT, WM_KEYDOWN, false, Foreground::BrowseWindowDisabled), PassOn,
                 false},
        Decision{"delete_repeat", Facts(VK_DELETE, WM_KEYDOWN, false, Foreground::BrowseWindow, Layout::Latin, true),
                 Swallow, true},
        Decision{"delete_repeat_with_alt",
                 Facts(VK_DELETE, WM_SYSKEYDOWN, true, Foreground::Elsewhere, Layout::Latin, true), Swallow, true},
        Decision{"delete_released", Facts(VK_DELETE, WM_KEYUP, false, Foreground::BrowseWindow, Layout::Latin, true),
                 PassOn, false},
        Decision{"right_while_delete_held",
                 Facts(VK_RIGHT, WM_KEYDOWN, false, Foreground::BrowseWindow, Layout::Latin, true), Type, true},
        Decision{"another_key", Facts('A', WM_KEYDOWN, false, Foreground::BrowseWindow, Layout::Latin, true), PassOn,
                 true},
        Decision{"up_arrow", Facts(VK_UP), PassOn, false}),
    [](const ::testing::TestParamInfo<Decision>& info) { return std::string(info.param.name); });

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

BOOL CALLBACK FindBox(HWND window, LPARAM found)
{
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (IsWindowVisible(window) && std::wstring(name) == L"#32770") {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

HWND OpenBox()
{
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
    return box;
}

// The events the plug-in typed: those carrying its mark, and the Clear and Enter around them.
std::vector<KeyEvent> Typed(const std::vector<KeyEvent>& seen)
{
    std::vector<KeyEvent> typed;
    for (const KeyEvent& e : seen)
        if (e.extra == SyntheticKeyMark || e.virtualKey == VK_CLEAR || e.virtualKey == VK_RETURN)
            typed.push_back(e);
    return typed;
}

bool SawKeyDown(const std::vector<KeyEvent>& seen, DWORD key)
{
    return std::any_of(seen.begin(), seen.end(),
                       [&](const KeyEvent& e) { return e.virtualKey == key && e.message != WM_KEYUP; });
}

// Browsing two matches of "문" in the host window, with the plug-in's hook installed after a
// recording hook: the recorder runs after the plug-in's and sees exactly what it passes on.
class Shortcuts : public HostTest {
protected:
    void SetUp() override
    {
        HostTest::SetUp();
        theApp.m_hInstance = GetModuleHandleW(nullptr);
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

TEST_F(Shortcuts, EachAutoRepeatedArrowTypesOneKeyIn)
{
    std::vector<KeyEvent> twice = BrowseTyping('N');
    std::vector<KeyEvent> second = BrowseTyping('N');
    twice.insert(twice.end(), second.begin(), second.end());
    EXPECT_EQ(Typed(PressAndSettle(VK_RIGHT, 2)), twice);
    EXPECT_EQ(CurrentIndex, 2) << "two steps on from all matches";
}

TEST_F(Shortcuts, DeleteHeldDownDeletesOnceAndTypesNothingMore)
{
    std::vector<KeyEvent> seen = PressAndSettle(VK_DELETE, 5);
    EXPECT_EQ(Typed(seen), BrowseTyping('D'));
    EXPECT_EQ(KeyinsReceived(), 1u) << "no stray key-in after the pass (the host records it as a violation too)";
    EXPECT_EQ(TakeTranscript(), (Lines{"messagebox: 총 2개의 주기를 삭제하였습니다.", "result: finish"}));
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
    Schedule({[] { Press(VK_RIGHT); }, [&] { boxStayedOpen = OpenBox() != nullptr; },
              [] { PostMessageW(OpenBox(), WM_COMMAND, IDOK, 0); }});
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
              [&] { boxStayedOpen = OpenBox() != nullptr; }, [] { PostMessageW(OpenBox(), WM_COMMAND, IDOK, 0); }});
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
