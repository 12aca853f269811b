#include "tests/support/HostKindsModel.h"

#include <algorithm>
#include <string_view>

namespace host_kinds {

HWND HandleOf(const World& w, Win win)
{
    if (win == Win::Keyin && !w.floating)
        win = Win::Main;
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x100 + static_cast<int>(win)));
}

bool ThisPassWordOnItsWay(const World& w)
{
    auto ofThisPass = [](const Item& item) {
        return (item.kind == Item::Word || item.kind == Item::Keyin) && item.thisPass;
    };
    return std::any_of(w.keys.items.begin(), w.keys.items.begin() + w.keys.count, ofThisPass) ||
           std::any_of(w.handing.items.begin(), w.handing.items.begin() + w.handing.count, ofThisPass);
}

namespace {

// The system as the hook sees it in the model: the world's windows, keys and key-in line.
class ModelSystem final : public KeySystem {
public:
    explicit ModelSystem(World& world) : w_(world) {}
    HWND ForegroundWindow() override { return HandleOf(w_, w_.front); }
    HWND HostMainWindowOf(HWND window) override
    {
        return window == HandleOf(w_, Win::Other) ? nullptr : HandleOf(w_, Win::Main);
    }
    bool IsEnabled(HWND window) override { return w_.enabled || window != HandleOf(w_, Win::Main); }
    bool IsKeyDown(DWORD key) override
    {
        return key == VK_DELETE ? w_.deleteDown && w_.deleteKnown : key == VK_LSHIFT && w_.shiftDown;
    }
    Field FocusedField() override
    {
        if (HandleOf(w_, w_.front) != HandleOf(w_, Win::Keyin))
            return Field::None;
        return w_.line == Line::User ? Field::Text : w_.line == Line::Kept ? Field::Selected : Field::None;
    }
    bool KeysPending() override { return w_.keys.count > 0; }
    HKL LayoutOf(HWND) override { return reinterpret_cast<HKL>(0x04090409); }
    UINT CharOf(UINT key, HKL) override { return key; }
    void Tap(BYTE key, BYTE scanCode, ULONG_PTR extra) override { taps.push_back({key, scanCode, extra}); }

    struct Tapped {
        BYTE key, scanCode;
        ULONG_PTR extra;
    };
    std::vector<Tapped> taps;

private:
    World& w_;
};

void Fail(World& w, const char* why)
{
    if (!w.failure)
        w.failure = why;
}

// A key event through the hook, if one is installed: true when it swallows the event.
bool Hook(World& w, ModelSystem& system, DWORD key, WPARAM message, ULONG_PTR extra = 0)
{
    if (!w.hooked)
        return false;
    KBDLLHOOKSTRUCT event{key, 0, 0, w.now, extra};
    bool swallowed = w.hook.Handle(system, message, event);
    if (!w.hook.NeedsHook())
        w.hooked = false;
    return swallowed;
}

bool InHostWindow(const World& w) { return w.front == Win::Keyin || w.front == Win::Main; }

// A key-down the hook passed on reaches the window in front.
void Reach(World& w, Item::Kind kind)
{
    bool onMain = w.floating && w.front == Win::Main;
    if (!InHostWindow(w) || (onMain && kind != Item::Delete && kind != Item::Escape && kind != Item::Function))
        return;
    w.keys.Push(Item{kind, BrowseWord::None, true, onMain});
}

// What the hook typed: it passes through the hook untouched, then reaches the key-in line.
void Typed(World& w, ModelSystem& system, BrowseWord word)
{
    bool typing = w.hook.state.typing;
    for (const ModelSystem::Tapped& t : system.taps)
        for (WPARAM message : {WM_KEYDOWN, WM_KEYUP}) {
            KBDLLHOOKSTRUCT event{t.key, t.scanCode, 0, w.now, t.extra};
            if (w.hook.Handle(system, message, event))
                Fail(w, "the hook swallowed its own typing");
        }
    system.taps.clear();
    if (w.hook.state.typing != typing)
        Fail(w, "the hook took its own typing for the user's");
    w.wordTypedAt = w.now;
    w.strayAhead = false;
    if (InHostWindow(w) && !(w.floating && w.front == Win::Main))
        w.keys.Push(Item{Item::Word, word});
}

// A press (and, unless held, its release) of a key that the hook may act on.
void Press(World& w, DWORD key, Item::Kind kind, bool held = false)
{
    ModelSystem system(w);
    bool repeat = key == VK_DELETE && w.deleteDown;
    bool outstanding = w.hook.state.wordOutstanding;
    bool swallowed = Hook(w, system, key, WM_KEYDOWN);
    bool typed = !system.taps.empty();
    if (typed && (repeat || outstanding))
        Fail(w, "a word was typed for an auto-repeat, or while another was on its way");
    // What the hook cannot tell from an auto-repeat: a Delete pressed within a keyboard's repeat
    // delay after one whose release it never saw.
    bool likeARepeat = key == VK_DELETE && w.deleteLost && w.now - w.deleteLostAt <= AutoRepeatLimit;
    if (!repeat && !InHostWindow(w) && swallowed && !likeARepeat)
        Fail(w, "a key pressed in a palette or another program did not reach it");
    // A function key may start a command of the host's, which would take a word on its way.
    if (kind == Item::Function && !swallowed && InHostWindow(w) && w.hook.browsing && ThisPassWordOnItsWay(w) &&
        !w.strayAhead && w.now - w.wordTypedAt <= OutstandingLimit)
        Fail(w, "a function key reached the host ahead of a word on its way");
    if (kind == Item::Function && InHostWindow(w))
        w.functionHeld = swallowed;  // one passed on takes the place of any held back
    if (key == VK_DELETE) {
        if (!repeat)
            w.deletePressedAt = w.now;
        w.deleteDown = true;
        w.deleteKnown = w.deleteKnown || !swallowed;
        w.deleteSince = w.now;
    }
    if (typed)
        Typed(w, system, w.hook.state.word);
    else if (!swallowed && key != VK_LSHIFT)
        Reach(w, kind);
    if (!held)
        Hook(w, system, key, WM_KEYUP);
}

void Release(World& w, DWORD key, bool seen)
{
    ModelSystem system(w);
    if (seen)
        Hook(w, system, key, WM_KEYUP);
    (key == VK_DELETE ? w.deleteDown : w.shiftDown) = false;
    if (key == VK_DELETE) {
        w.deleteKnown = false;
        w.deleteLost = !seen;
        w.deleteLostAt = w.now;
    }
}

// A key the hook held back and now presses again: it passes through the hook untouched, then
// reaches the window in front.
void PressedAgain(World& w, ModelSystem& system)
{
    for (const ModelSystem::Tapped& t : system.taps) {
        for (WPARAM message : {WM_KEYDOWN, WM_KEYUP}) {
            KBDLLHOOKSTRUCT event{t.key, t.scanCode, 0, w.now, t.extra};
            if (w.hook.Handle(system, message, event))
                Fail(w, "the hook swallowed a key it pressed again");
        }
        w.functionHeld = false;
        Reach(w, Item::Function);
    }
    system.taps.clear();
}

// The command that runs receives a key-in of the key-in line.
void HandOn(World& w, const Item& keyin)
{
    std::wstring text;
    for (const BrowseShortcut& s : BrowseShortcuts)
        if (s.word == keyin.word)
            text = s.latin;
    ModelSystem system(w);
    if (w.command == Command::Browse)
        w.hook.NoteBrowseEvent(system);
    if (w.command == Command::Browse || w.command == Command::First) {
        bool stray = w.hook.NoteKeyin(system, text);
        w.strayAhead = w.strayAhead || (stray && ThisPassWordOnItsWay(w));
        PressedAgain(w, system);
        if (keyin.thisPass && w.command == Command::Browse && !stray && w.functionHeld)
            Fail(w, "a function key held back was not pressed again once the word had arrived");
        // Taken or not, a word of this pass that has arrived is no longer waited for.
        if (keyin.thisPass && w.command == Command::Browse && w.hook.state.wordOutstanding && !ThisPassWordOnItsWay(w))
            Fail(w, "the shortcuts wait on for a word of the pass that has arrived");
        if (stray)
            return;
        if (w.command == Command::First || !keyin.thisPass)
            Fail(w, "a word typed for one pass reached another pass's prompt");
        if (keyin.word == BrowseWord::Delete) {
            w.hook.End();  // the edit ends the pass by the plug-in's hand
            w.hooked = w.hooked && w.hook.NeedsHook();
            w.command = Command::None;
        }
        return;
    }
    if (w.strays < 2)
        ++w.strays;
}

void EndByHost(World& w, Command next) { w.command = next; }

// The host takes the next key it has from the keyboard.
void Take(World& w, int choice)
{
    Item item = w.keys.Pop();
    switch (item.kind) {
    case Item::Letter:
        w.line = Line::User;
        break;
    case Item::Delete:
        if (w.line == Line::Empty || item.onMain) {
            if (w.line == Line::Empty && w.command == Command::Browse)
                Fail(w, "a Delete reached the host on its own while the pass was alive");
        } else {
            w.line = w.line == Line::User && choice == 0 ? Line::User : Line::Empty;
        }
        break;
    case Item::Function:
        EndByHost(w, Command::Host);  // the host starts a command of its own
        break;
    case Item::Escape:
        if (w.escapeClears)
            w.line = Line::Empty;
        else
            w.handing.Push(Item{Item::Cancel});
        break;
    case Item::Word:
        if (w.line == Line::User)
            Fail(w, "a shortcut cleared a text being typed");
        w.line = w.keeps ? Line::Kept : Line::Empty;
        w.handing.Push(Item{Item::Keyin, item.word, item.thisPass});
        break;
    default:
        break;
    }
}

void HandNext(World& w)
{
    Item item = w.handing.Pop();
    if (item.kind == Item::Cancel)
        EndByHost(w, Command::None);
    else
        HandOn(w, item);
}

void NewPass(World& w)
{
    ModelSystem system(w);
    w.hook.Begin(system, w.now);
    w.hooked = true;
    w.command = Command::Browse;
    w.strays = 0;
    w.strayAhead = w.functionHeld = false;
    for (size_t i = 0; i < w.keys.count; ++i)
        w.keys.items[i].thisPass = false;
    for (size_t i = 0; i < w.handing.count; ++i)
        w.handing.items[i].thisPass = false;
    // Nothing of an earlier pass holds the new one's shortcuts back: with the key-in line in front
    // and empty, and no modifier held as far as the hook knows, Right types its word.
    const auto& known = w.hook.state.keys;
    bool modifier = std::any_of(known.begin(), known.begin() + DeleteIndex, [](const TrackedKey& k) { return k.down; });
    if (w.enabled && w.line != Line::User && !w.shiftDown && !modifier) {
        World probe = w;
        ModelSystem probing(probe);
        Hook(probe, probing, VK_RIGHT, WM_KEYDOWN);
        if (probing.taps.empty())
            Fail(w, "a new pass began with its shortcuts held back by an earlier one");
    }
}

bool Always(const World&) { return true; }
bool KeyRoom(const World& w) { return w.keys.count < 3; }
// Time passes; a key held down repeats within a keyboard's delay, so no longer without a key-down.
template <DWORD Milliseconds>
bool Later(const World& w)
{
    auto repeats = [&](bool down, DWORD since) { return !down || w.now + Milliseconds - since <= AutoRepeatLimit; };
    return repeats(w.deleteDown, w.deleteSince) && repeats(w.shiftDown, w.shiftSince);
}

}  // namespace

const std::vector<Event> Events = {
    {"Right", KeyRoom, [](World& w) { Press(w, VK_RIGHT, Item::Arrow); }},
    {"Left", KeyRoom, [](World& w) { Press(w, VK_LEFT, Item::Arrow); }},
    // A key held down repeats no sooner than a keyboard's shortest delay.
    {"Delete down",
     [](const World& w) {
         return KeyRoom(w) &&
                (!w.deleteDown || w.deletePressedAt != w.deleteSince || w.now - w.deletePressedAt > KeyStateGrace);
     },
     [](World& w) { Press(w, VK_DELETE, Item::Delete, true); }},
    {"Delete up", [](const World& w) { return w.deleteDown; }, [](World& w) { Release(w, VK_DELETE, true); }},
    {"Delete up unseen", [](const World& w) { return w.deleteDown; }, [](World& w) { Release(w, VK_DELETE, false); }},
    {"Escape", KeyRoom, [](World& w) { Press(w, VK_ESCAPE, Item::Escape); }},
    {"a function key", KeyRoom, [](World& w) { Press(w, VK_F3, Item::Function); }},
    {"letter", KeyRoom, [](World& w) { Press(w, 'X', Item::Letter); }},
    {"Shift down", Always,
     [](World& w) {
         Press(w, VK_LSHIFT, Item::Arrow, true);
         w.shiftDown = true;
         w.shiftSince = w.now;
     }},
    {"Shift up", [](const World& w) { return w.shiftDown; }, [](World& w) { Release(w, VK_LSHIFT, true); }},
    {"Shift up unseen", [](const World& w) { return w.shiftDown; }, [](World& w) { Release(w, VK_LSHIFT, false); }},
    {"host takes a key", [](const World& w) { return w.keys.count > 0 && !w.handing.Full(); },
     [](World& w) { Take(w, 0); }},
    {"host takes a Delete that empties the text",
     [](const World& w) {
         const Item& next = w.keys.items[0];
         return w.keys.count > 0 && next.kind == Item::Delete && !next.onMain && w.line == Line::User;
     },
     [](World& w) { Take(w, 1); }},
    {"host hands a key-in on", [](const World& w) { return w.handing.count > 0; }, HandNext},
    {"host starts its own command", Always, [](World& w) { EndByHost(w, Command::Host); }},
    {"the command starts again", [](const World& w) { return w.command != Command::First; },
     [](World& w) {
         w.hook.End();
         w.hooked = w.hooked && w.hook.NeedsHook();
         EndByHost(w, Command::First);
     }},
    // The range prompt's confirm comes from the key-in line, or from a click in the view after which
    // the host puts its key-in line in front, behind every key before it.
    {"browsing begins",
     [](const World& w) { return w.command == Command::First && w.keys.count == 0 && w.front == Win::Keyin; }, NewPass},
    {"the user confirms", [](const World& w) { return w.command == Command::Browse; },
     [](World& w) {
         ModelSystem system(w);
         w.hook.NoteBrowseEvent(system);
         w.hook.End();
         w.hooked = w.hooked && w.hook.NeedsHook();
         w.command = Command::None;
     }},
    {"another program in front", Always, [](World& w) { w.front = Win::Other; }},
    {"the palette in front", Always, [](World& w) { w.front = Win::Palette; }},
    {"the key-in line in front", Always, [](World& w) { w.front = Win::Keyin; }},
    {"the main window in front", [](const World& w) { return w.floating; }, [](World& w) { w.front = Win::Main; }},
    {"a modal box of the host up or gone", Always, [](World& w) { w.enabled = !w.enabled; }},
    {"past the key state's grace", Later<KeyStateGrace + 1>, [](World& w) { w.now += KeyStateGrace + 1; }},
    {"past the word's limit", Later<OutstandingLimit + 1>, [](World& w) { w.now += OutstandingLimit + 1; }},
    {"past a keyboard's repeat delay", Later<AutoRepeatLimit + 1>, [](World& w) { w.now += AutoRepeatLimit + 1; }},
};

World After(World w, std::initializer_list<const char*> names)
{
    for (const char* name : names)
        for (const Event& event : Events)
            if (std::string_view(event.name) == name && event.can(w))
                event.apply(w);
    return w;
}

std::vector<World> Beginnings()
{
    std::vector<World> all;
    for (int kind = 0; kind < 8; ++kind) {
        World w;
        w.floating = kind & 1, w.keeps = kind & 2, w.escapeClears = kind & 4;
        ModelSystem system(w);
        w.hook.Begin(system, w.now);
        all.push_back(w);
        all.push_back(After(w, {"Right", "host takes a key", "host starts its own command", "host hands a key-in on",
                                "the command starts again", "browsing begins"}));
    }
    return all;
}

std::string KindOf(const World& w)
{
    return std::string(w.floating ? "floating" : "docked") + (w.keeps ? ", kept" : ", cleared") +
           (w.escapeClears ? ", Escape clears" : ", Escape cancels");
}

}  // namespace host_kinds
