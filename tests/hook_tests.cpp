// The arrow and Delete key shortcuts, with real key events through the system's input.
#include "TestSupport.h"

#include "KeyRecorder.h"

#include "command/Command.h"
#include "hook/KeyHook.h"
#include "plugin/SorvaneApp.h"

namespace {

using Lines = std::vector<std::string>;

class Shortcuts : public HostTest {
protected:
    void SetUp() override
    {
        HostTest::SetUp();
        theApp.m_hInstance = GetModuleHandleW(nullptr);
        ASSERT_NE(ZhdCreateWindow(), nullptr);
        ZhdFocusKeyinLine();
        DrawingBuilder().Annotation(1, 10, 0, 0, L"문").Annotation(2, 20, 50, 50, L"문").Load();
        EnterBrowseDirectly(Chain::Identical, L"문");
        KeyRecorder::Seen().clear();
    }
    void TearDown() override
    {
        RemoveKeyHook();
        HostTest::TearDown();
    }

    // Presses a key and lets the host window take what the plug-in types.
    std::vector<KeyEvent> PressAndSettle(WORD virtualKey, int downs = 1)
    {
        KeyRecorder recorder;
        EXPECT_TRUE(recorder.Installed());
        Press(virtualKey, downs);
        ZhdPumpMessages(300);
        return KeyRecorder::Seen();
    }

    // The events apart from the test's own presses of `virtualKey`.
    static std::vector<KeyEvent> Typed(const std::vector<KeyEvent>& seen, DWORD virtualKey)
    {
        std::vector<KeyEvent> typed;
        for (const KeyEvent& e : seen)
            if (e.virtualKey != virtualKey)
                typed.push_back(e);
        return typed;
    }
};

struct Key {
    WORD virtualKey;
    DWORD letter;
    Lines browseStep;
};

class ShortcutKey : public Shortcuts, public ::testing::WithParamInterface<Key> {};

TEST_P(ShortcutKey, IsSwallowedAndTypedAsTheBrowseKeyIn)
{
    InstallKeyHook();
    TakeTranscript();
    std::vector<KeyEvent> seen = PressAndSettle(GetParam().virtualKey);
    // The press, seven taps (fourteen events) typing Clear, Z, O, O, M, the letter and Enter,
    // and the release.
    ASSERT_EQ(seen.size(), 16u) << ::testing::PrintToString(seen);
    EXPECT_EQ(seen.front().virtualKey, GetParam().virtualKey);
    EXPECT_EQ(seen.front().message, static_cast<WPARAM>(WM_KEYDOWN));
    EXPECT_EQ(Typed(seen, GetParam().virtualKey), BrowseTyping(GetParam().letter));
    EXPECT_EQ(seen.back().virtualKey, GetParam().virtualKey);
    EXPECT_EQ(seen.back().message, static_cast<WPARAM>(WM_KEYUP)) << "the key's release is passed on";
    EXPECT_EQ(TakeTranscript(), GetParam().browseStep);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ShortcutKey,
    ::testing::Values(
        Key{VK_RIGHT, 'N', {"zoom: -100 -100 100 100", "info: 총 2개의 주기를 발견하였습니다.[ 1/2 ]", "result: stay"}},
        Key{VK_LEFT, 'P', {"zoom: -50 -50 150 150", "info: 총 2개의 주기를 발견하였습니다.[ 2/2 ]", "result: stay"}},
        Key{VK_DELETE, 'D', {"messagebox: 총 2개의 주기를 삭제하였습니다.", "result: finish"}}));

TEST_F(Shortcuts, EachAutoRepeatedPressTypesOneKeyIn)
{
    InstallKeyHook();
    std::vector<KeyEvent> seen = PressAndSettle(VK_RIGHT, 2);
    std::vector<KeyEvent> twice = BrowseTyping('N');
    std::vector<KeyEvent> second = BrowseTyping('N');
    twice.insert(twice.end(), second.begin(), second.end());
    EXPECT_EQ(Typed(seen, VK_RIGHT), twice);
    EXPECT_EQ(CurrentIndex, 2) << "two steps on from all matches";
}

TEST_F(Shortcuts, OtherKeysAndAltCombinationsArePassedOn)
{
    InstallKeyHook();
    KeyRecorder recorder;
    keybd_event(VK_MENU, 0, 0, 0);
    Press(VK_LEFT);
    keybd_event(VK_MENU, 0, KEYEVENTF_KEYUP, 0);
    Press(VK_UP);
    Press('A');
    ZhdPumpMessages(200);
    for (const KeyEvent& e : KeyRecorder::Seen())
        EXPECT_NE(e.extra, SyntheticKeyMark) << "nothing typed for " << e;
    EXPECT_EQ(KeyRecorder::Seen().size(), 8u);
    EXPECT_EQ(CurrentIndex, 0);
}

TEST_F(Shortcuts, InstallingAgainReplacesTheHookAndRemovingLeavesNone)
{
    InstallKeyHook();
    InstallKeyHook();
    RemoveKeyHook();
    std::vector<KeyEvent> seen = PressAndSettle(VK_RIGHT);
    EXPECT_EQ(Typed(seen, VK_RIGHT), std::vector<KeyEvent>{});
    RemoveKeyHook();
}

TEST_F(Shortcuts, AfterBrowsingEndsKeysReachTheWindowUnchanged)
{
    InstallKeyHook();
    EXPECT_EQ(ZhdSendConfirm(), finish);
    EXPECT_EQ(HookHandle.Get(), nullptr);
    TakeTranscript();
    std::vector<KeyEvent> seen = PressAndSettle(VK_RIGHT);
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_EQ(Typed(seen, VK_RIGHT), std::vector<KeyEvent>{});
    EXPECT_EQ(TakeTranscript(), Lines{});
}

TEST_F(Shortcuts, KeysForAnotherApplicationsWindowArePassedOn)
{
    InstallKeyHook();
    HWND host = static_cast<HWND>(ZhdCreateWindow());
    ShowWindow(host, SW_HIDE);
    HWND foreground = GetForegroundWindow();
    DWORD process = 0;
    GetWindowThreadProcessId(foreground, &process);
    if (foreground && process == GetCurrentProcessId())
        GTEST_SKIP() << "no window of another process can be brought to the front here";
    std::vector<KeyEvent> seen = PressAndSettle(VK_RIGHT);
    ShowWindow(host, SW_SHOW);
    ZhdFocusKeyinLine();
    EXPECT_EQ(Typed(seen, VK_RIGHT), std::vector<KeyEvent>{});
}

}  // namespace
