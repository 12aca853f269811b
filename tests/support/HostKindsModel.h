// A small model of the host kinds around the real shortcuts (their decision included): the
// key-in line docked or floating, emptied or kept after Enter, Escape cancelling or clearing,
// key-ins handed on at once or late, and a Delete of the host's own that deletes its selection.
// Each event changes the world and records the first rule that keeps the user's work it broke.
#pragma once

#include "hook/Shortcuts.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace host_kinds {

constexpr DWORD Start = 0x10000;

enum class Win : std::uint8_t { Keyin, Main, Palette, Other };
enum class Line : std::uint8_t { Empty, User, Kept };  // the key-in line as the host has taken it
// What runs in the host: the plug-in's pass at its browse prompt, the plug-in's command started
// again at its first prompt, the host's own command at its text prompt, or nothing.
enum class Command : std::uint8_t { Browse, First, Host, None };

// What the host has still to take from the keyboard, or to hand on to the command that runs.
struct Item {
    enum Kind : std::uint8_t { Letter, Arrow, Delete, Escape, Function, Word, Keyin, Cancel } kind;
    BrowseWord word = BrowseWord::None;
    bool thisPass = true;  // a word typed for the pass that browses now
    bool onMain = false;   // a key that went to the main window, not the key-in line
};

template <size_t N>
struct Queue {
    std::array<Item, N> items{};
    std::uint8_t count = 0;
    bool Full() const { return count == N; }
    void Push(Item item) { items[count++] = item; }
    Item Pop()
    {
        Item front = items[0];
        for (size_t i = 1; i < count; ++i)
            items[i - 1] = items[i];
        --count;
        return front;
    }
};

struct World {
    bool floating = false, keeps = false, escapeClears = false;  // the host kind
    Shortcuts hook;
    bool hooked = true;
    DWORD now = Start;
    Win front = Win::Keyin;
    bool enabled = true;
    Line line = Line::Empty;
    Queue<4> keys;     // passed on to the host window, not taken yet (three pressed, and one pressed again)
    Queue<2> handing;  // taken from the key-in line, not handed on yet
    Command command = Command::Browse;
    bool deleteDown = false, deleteKnown = false;  // held; and the system knows it (it passed a key-down on)
    bool shiftDown = false;
    DWORD deleteSince = 0, shiftSince = 0;  // their last key-down
    bool deleteLost = false;                // a Delete's release the hook never saw
    DWORD deleteLostAt = 0;
    std::uint8_t strays = 0;  // words that reached the host after it ended the pass
    const char* failure = nullptr;
    DWORD deletePressedAt = 0;  // when the Delete held went down
    DWORD wordTypedAt = 0;      // when the hook typed its last word
    // A stray of an earlier pass arrived while this pass's word was on its way, which the hook
    // cannot tell from that word.
    bool strayAhead = false;
    bool functionHeld = false;  // a function key the hook swallowed behind this pass's word
};

HWND HandleOf(const World& w, Win win);
// A word the hook typed in this pass has not reached the command yet.
bool ThisPassWordOnItsWay(const World& w);

struct Event {
    const char* name;
    bool (*can)(const World&);
    void (*apply)(World&);
};

// Every event the model knows, each with when it can happen.
extern const std::vector<Event> Events;

// Browsing has begun with the key-in line in front, on every kind of host: the first pass, and a
// pass after one that the host ended, whose word went to the host's own command.
std::vector<World> Beginnings();
std::string KindOf(const World& w);

}  // namespace host_kinds
