// The shortcuts' decision on one key event, as a table.
#include "tests/support/TestSupport.h"

#include "hook/KeyDecision.h"

bool operator==(const TrackedKey& a, const TrackedKey& b)
{
    return a.down == b.down && a.seen == b.seen && a.since == b.since;
}

bool operator==(const ShortcutState& a, const ShortcutState& b)
{
    return a.keys == b.keys && a.deleteTaken == b.deleteTaken && a.typing == b.typing &&
           a.wordOutstanding == b.wordOutstanding && a.word == b.word && a.wordTime == b.wordTime &&
           a.stoodDown == b.stoodDown && a.standDownBehindWord == b.standDownBehindWord;
}

std::ostream& operator<<(std::ostream& out, KeyAction a)
{
    return out << (a == KeyAction::Type ? "type" : a == KeyAction::Swallow ? "swallow" : "pass on");
}

std::ostream& operator<<(std::ostream& out, const ShortcutState& s)
{
    out << "{keys down";
    for (size_t i = 0; i < TrackedKeys.size(); ++i)
        if (s.keys[i].down)
            out << " 0x" << std::hex << TrackedKeys[i] << std::dec << " since " << s.keys[i].since;
    return out << ", delete taken " << s.deleteTaken << ", typing " << s.typing << ", word " << static_cast<int>(s.word)
               << (s.wordOutstanding ? " on its way since " : " arrived, at ") << s.wordTime << ", stood down "
               << s.stoodDown << " behind word " << s.standDownBehindWord << "}";
}

namespace {

constexpr DWORD Now = 100000;  // the event's time stamp in every row

// A state, built up step by step.
struct State {
    ShortcutState s;
    State& Word(DWORD time, BrowseWord word = BrowseWord::Next)
    {
        s.wordOutstanding = true, s.word = word, s.wordTime = time;
        return *this;
    }
    State& Typed(BrowseWord word, DWORD time)
    {
        s.word = word, s.wordTime = time;
        return *this;
    }
    State& Key(DWORD key, bool down, DWORD since)
    {
        for (size_t i = 0; i < TrackedKeys.size(); ++i)
            if (TrackedKeys[i] == key)
                s.keys[i] = TrackedKey{down, true, since};
        return *this;
    }
    State& DeleteHeld(bool taken, DWORD since = Now - 40)
    {
        s.deleteTaken = taken;
        return Key(VK_DELETE, true, since);
    }
    State& Typing(bool typing = true)
    {
        s.typing = typing;
        return *this;
    }
    State& StoodDown(bool behindWord = false)
    {
        s.stoodDown = true, s.standDownBehindWord = behindWord;
        return *this;
    }
    operator ShortcutState() const { return s; }
};

unsigned SystemDown(DWORD key)
{
    for (size_t i = 0; i < TrackedKeys.size(); ++i)
        if (TrackedKeys[i] == key)
            return 1u << i;
    return 0;
}

struct Event {
    DWORD key;
    WPARAM message = WM_KEYDOWN;
    Foreground foreground = Foreground::Browse;
    Field field = Field::None;
    Layout layout = Layout::Latin;
    unsigned systemDown = 0;
    ULONG_PTR extra = 0;
    DWORD time = Now;
    bool keysPending = false;
    bool beforeBrowsing = false;
};

// The event while the host has keys it has not taken yet.
Event Pending(Event event)
{
    event.keysPending = true;
    return event;
}

// The event of a key pressed while the command searched, read once browsing has begun.
Event TypedAhead(Event event)
{
    event.beforeBrowsing = true;
    return event;
}

struct Decision {
    const char* name;
    State before;
    Event event;
    KeyAction action;
    State after;
};

class Decide : public ::testing::TestWithParam<Decision> {};

TEST_P(Decide, TypesOnlyAPlainPressInTheBrowseWindowAndNeverLetsDeleteReachTheHostOnItsOwn)
{
    const Event& e = GetParam().event;
    KeyFacts facts{e.message, e.key,         e.time,   e.extra,      GetParam().before, e.foreground,
                   e.field,   e.keysPending, e.layout, e.systemDown, e.beforeBrowsing};
    KeyDecision decision = DecideKey(facts);
    EXPECT_EQ(decision.action, GetParam().action);
    EXPECT_EQ(decision.next, static_cast<ShortcutState>(GetParam().after));
}

const KeyAction Type = KeyAction::Type, PassOn = KeyAction::PassOn, Swallow = KeyAction::Swallow;
const Foreground Elsewhere = Foreground::Elsewhere, Disabled = Foreground::BrowseDisabled;
const BrowseWord Next = BrowseWord::Next, Delete = BrowseWord::Delete;
constexpr DWORD Overdue = Now - OutstandingLimit - 1;
constexpr DWORD Settled = Now - KeyStateGrace - 1;
constexpr DWORD Repeated = Now - AutoRepeatLimit - 1;

INSTANTIATE_TEST_SUITE_P(
    Cases, Decide,
    ::testing::Values(
        Decision{"right", {}, {VK_RIGHT}, Type, State().Word(Now)},
        Decision{"left_korean_layout",
                 {},
                 {VK_LEFT, WM_KEYDOWN, Foreground::Browse, Field::None, Layout::Korean},
                 Type,
                 State().Word(Now, BrowseWord::Previous)},
        Decision{"delete", {}, {VK_DELETE}, Type, State().Word(Now, Delete).DeleteHeld(true, Now)},
        Decision{
            "over_a_kept_text_all_selected", {}, {VK_RIGHT, WM_KEYDOWN, {}, Field::Selected}, Type, State().Word(Now)},
        Decision{"right_released", {}, {VK_RIGHT, WM_KEYUP}, PassOn, {}},
        Decision{"right_with_a_modifier",
                 State().Key(VK_LCONTROL, true, Now - 10),
                 {VK_RIGHT},
                 PassOn,
                 State().Key(VK_LCONTROL, true, Now - 10)},
        Decision{"left_with_alt", {}, {VK_LEFT, WM_SYSKEYDOWN}, PassOn, {}},
        Decision{"delete_with_alt", {}, {VK_DELETE, WM_SYSKEYDOWN}, Swallow, State().DeleteHeld(true, Now)},
        Decision{"right_other_layout", {}, {VK_RIGHT, WM_KEYDOWN, {}, {}, Layout::Other}, PassOn, {}},
        Decision{"delete_other_layout",
                 {},
                 {VK_DELETE, WM_KEYDOWN, {}, {}, Layout::Other},
                 Swallow,
                 State().DeleteHeld(true, Now)},
        Decision{"right_elsewhere", {}, {VK_RIGHT, WM_KEYDOWN, Elsewhere}, PassOn, {}},
        Decision{"delete_elsewhere", {}, {VK_DELETE, WM_KEYDOWN, Elsewhere}, PassOn, State().DeleteHeld(false, Now)},
        Decision{"right_modal_box_up", {}, {VK_RIGHT, WM_KEYDOWN, Disabled}, PassOn, {}},
        Decision{"delete_modal_box_up", {}, {VK_DELETE, WM_KEYDOWN, Disabled}, Swallow, State().DeleteHeld(true, Now)},
        // The user types: the keys edit that text, Delete only where there is text to edit.
        Decision{"a_letter", {}, {'X'}, PassOn, State().Typing()},
        Decision{"a_letter_elsewhere", {}, {'X', WM_KEYDOWN, Elsewhere}, PassOn, {}},
        Decision{"the_hooks_own_letter", {}, {'Z', WM_KEYDOWN, {}, {}, {}, 0, SyntheticKeyMark}, PassOn, {}},
        Decision{"right_in_a_text", {}, {VK_RIGHT, WM_KEYDOWN, {}, Field::Text}, PassOn, {}},
        Decision{"right_typed_before_the_field_shows_it", State().Typing(), Pending({VK_RIGHT}), PassOn,
                 State().Typing()},
        Decision{"right_over_a_typed_text_all_selected",
                 State().Typing(),
                 {VK_RIGHT, WM_KEYDOWN, {}, Field::Selected},
                 PassOn,
                 State().Typing()},
        Decision{"right_once_a_typed_text_is_erased", State().Typing(), {VK_RIGHT}, Type, State().Typing().Word(Now)},
        Decision{
            "delete_in_a_text", {}, {VK_DELETE, WM_KEYDOWN, {}, Field::Text}, PassOn, State().DeleteHeld(false, Now)},
        Decision{"delete_typed_before_the_field_shows_it", State().Typing(), Pending({VK_DELETE}), Swallow,
                 State().Typing().DeleteHeld(true, Now)},
        Decision{"escape_over_a_typed_text", State().Typing(), {VK_ESCAPE, WM_KEYDOWN, {}, Field::Text}, PassOn, {}},
        Decision{"escape_typed_before_the_field_shows_it", State().Typing(), Pending({VK_ESCAPE}), PassOn,
                 State().Typing()},
        // Auto-repeats of Delete, acted on or not.
        Decision{"delete_repeat", State().DeleteHeld(true), {VK_DELETE}, Swallow, State().DeleteHeld(true, Now)},
        Decision{"delete_first_repeat_after_the_keyboards_delay",
                 State().DeleteHeld(true, Now - AutoRepeatLimit),
                 {VK_DELETE},
                 Swallow,
                 State().DeleteHeld(true, Now)},
        Decision{"delete_repeat_with_alt_elsewhere",
                 State().DeleteHeld(true),
                 {VK_DELETE, WM_SYSKEYDOWN, Elsewhere},
                 Swallow,
                 State().DeleteHeld(true, Now)},
        Decision{"delete_repeat_stood_down",
                 State().DeleteHeld(true).StoodDown(),
                 {VK_DELETE},
                 Swallow,
                 State().DeleteHeld(true, Now).StoodDown()},
        Decision{"delete_repeat_of_a_press_passed_on",
                 State().DeleteHeld(false),
                 {VK_DELETE},
                 Swallow,
                 State().DeleteHeld(false, Now)},
        Decision{"delete_repeat_of_a_press_passed_on_in_a_text",
                 State().DeleteHeld(false).Typing(),
                 {VK_DELETE, WM_KEYDOWN, {}, Field::Text},
                 PassOn,
                 State().DeleteHeld(false, Now).Typing()},
        Decision{"delete_repeat_of_a_press_passed_on_elsewhere",
                 State().DeleteHeld(false),
                 {VK_DELETE, WM_KEYDOWN, Elsewhere},
                 PassOn,
                 State().DeleteHeld(false, Now)},
        Decision{"delete_repeat_of_a_press_before_the_hook",
                 {},
                 {VK_DELETE, WM_KEYDOWN, {}, {}, {}, SystemDown(VK_DELETE)},
                 Swallow,
                 State().DeleteHeld(false, Now)},
        Decision{"delete_released",
                 State().DeleteHeld(true),
                 {VK_DELETE, WM_KEYUP, Elsewhere},
                 PassOn,
                 State().DeleteHeld(true).Key(VK_DELETE, false, Now)},
        Decision{"right_released_while_delete_held",
                 State().DeleteHeld(true),
                 {VK_RIGHT, WM_KEYUP},
                 PassOn,
                 State().DeleteHeld(true)},
        Decision{"a_letter_released_while_delete_held",
                 State().DeleteHeld(true),
                 {'A', WM_KEYUP},
                 PassOn,
                 State().DeleteHeld(true)},
        Decision{"right_while_delete_held",
                 State().DeleteHeld(true),
                 {VK_RIGHT, WM_KEYDOWN, {}, {}, {}, SystemDown(VK_DELETE)},
                 Type,
                 State().DeleteHeld(true).Word(Now)},
        // What the system says of the tracked keys, once it has had time to catch up.
        Decision{"delete_whose_release_never_came",
                 State().DeleteHeld(true, Repeated).Typed(Delete, Repeated),
                 {VK_DELETE},
                 Type,
                 State().Word(Now, Delete).DeleteHeld(true, Now)},
        Decision{"delete_passed_on_whose_release_never_came",
                 State().DeleteHeld(false, Repeated),
                 {VK_DELETE},
                 Type,
                 State().Word(Now, Delete).DeleteHeld(true, Now)},
        Decision{"delete_passed_on_repeating_after_the_keyboards_delay",
                 State().DeleteHeld(false, Settled),
                 {VK_DELETE},
                 Swallow,
                 State().DeleteHeld(false, Now)},
        Decision{"delete_just_released_while_the_system_lags",
                 State().Key(VK_DELETE, false, Now - 30),
                 {VK_DELETE, WM_KEYDOWN, {}, {}, {}, SystemDown(VK_DELETE)},
                 Type,
                 State().Word(Now, Delete).DeleteHeld(true, Now)},
        Decision{"right_with_a_modifier_pressed_before_the_hook",
                 {},
                 {VK_RIGHT, WM_KEYDOWN, {}, {}, {}, SystemDown(VK_RSHIFT)},
                 PassOn,
                 State().Key(VK_RSHIFT, true, Now)},
        Decision{"right_with_a_modifier_just_pressed_while_the_system_lags",
                 State().Key(VK_LCONTROL, true, Now - 40),
                 {VK_RIGHT},
                 PassOn,
                 State().Key(VK_LCONTROL, true, Now - 40)},
        Decision{"right_after_a_modifier_whose_release_never_came",
                 State().Key(VK_LCONTROL, true, Repeated),
                 {VK_RIGHT},
                 Type,
                 State().Key(VK_LCONTROL, false, Now).Word(Now)},
        Decision{"right_with_a_modifier_released_while_the_system_lags",
                 State().Key(VK_LCONTROL, false, Now - 40),
                 {VK_RIGHT, WM_KEYDOWN, {}, {}, {}, SystemDown(VK_LCONTROL)},
                 Type,
                 State().Key(VK_LCONTROL, false, Now - 40).Word(Now)},
        // A word on its way, and the shortcuts stood down.
        Decision{"right_word_on_its_way",
                 State().Word(Now - OutstandingLimit),
                 {VK_RIGHT},
                 Swallow,
                 State().Word(Now - OutstandingLimit)},
        Decision{"right_word_on_its_way_elsewhere",
                 State().Word(Now - 10),
                 {VK_RIGHT, WM_KEYDOWN, Elsewhere},
                 PassOn,
                 State().Word(Now - 10)},
        Decision{"delete_word_on_its_way",
                 State().Word(Now - 10),
                 {VK_DELETE},
                 Swallow,
                 State().Word(Now - 10).DeleteHeld(true, Now)},
        Decision{"right_word_on_its_way_clock_wrapped",
                 State().Word(0xFFFFFFF0u),
                 {VK_RIGHT, WM_KEYDOWN, {}, {}, {}, 0, 0, 0x10},
                 Swallow,
                 State().Word(0xFFFFFFF0u)},
        Decision{"right_word_overdue", State().Word(Overdue), {VK_RIGHT}, PassOn, State().Word(Overdue).StoodDown()},
        Decision{"delete_word_overdue",
                 State().Word(Overdue),
                 {VK_DELETE},
                 Swallow,
                 State().Word(Overdue).StoodDown().DeleteHeld(true, Now)},
        Decision{"right_stood_down", State().StoodDown(), {VK_RIGHT}, PassOn, State().StoodDown()},
        Decision{"escape", {}, {VK_ESCAPE}, PassOn, State().StoodDown()},
        Decision{"a_function_key", {}, {VK_F3}, PassOn, State().StoodDown()},
        // Typed ahead while the command searched: no match was shown yet.
        Decision{"right_typed_ahead", {}, TypedAhead({VK_RIGHT}), PassOn, {}},
        Decision{"delete_typed_ahead", {}, TypedAhead({VK_DELETE}), Swallow, State().DeleteHeld(true, Now)},
        // It may start a command of the host's that would take the word on its way.
        Decision{"a_function_key_behind_a_word", State().Word(Now - 10), {VK_F3}, Swallow, State().Word(Now - 10)},
        Decision{"a_function_key_behind_an_overdue_word",
                 State().Word(Overdue),
                 {VK_F3},
                 PassOn,
                 State().Word(Overdue).StoodDown(true)},
        Decision{"a_function_key_elsewhere_behind_a_word",
                 State().Word(Now - 10),
                 {VK_F3, WM_KEYDOWN, Elsewhere},
                 PassOn,
                 State().Word(Now - 10)},
        Decision{"escape_elsewhere", {}, {VK_ESCAPE, WM_KEYDOWN, Elsewhere}, PassOn, {}},
        Decision{"escape_behind_a_word",
                 State().Word(Now - 10),
                 {VK_ESCAPE},
                 PassOn,
                 State().Word(Now - 10).StoodDown(true)},
        Decision{"escape_behind_an_overdue_word",
                 State().Word(Overdue),
                 {VK_ESCAPE},
                 PassOn,
                 State().Word(Overdue).StoodDown(true)}),
    [](const ::testing::TestParamInfo<Decision>& info) { return std::string(info.param.name); });

TEST(AfterBrowseEvent, WakesTheShortcutsUnlessTheyStoodDownBehindAWordThatHasNotArrived)
{
    EXPECT_EQ(AfterBrowseEvent(State().Word(Now).Typing().StoodDown(), false),
              static_cast<ShortcutState>(State().Word(Now)));
    EXPECT_EQ(AfterBrowseEvent(State().Word(Now).Typing().StoodDown(true), true),
              static_cast<ShortcutState>(State().Word(Now).Typing().StoodDown(true)))
        << "the text typed after what the host hands on is still on its way";
    EXPECT_EQ(AfterBrowseEvent(AfterWordArrived(State().Word(Now).StoodDown(true)), false),
              static_cast<ShortcutState>(State().Typed(Next, Now)));
}

}  // namespace
