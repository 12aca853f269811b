// Every sequence of abstract events, up to a depth, through the real shortcuts (their decision
// included) and a small model of the host kinds: the key-in line docked or floating, emptied or
// kept after Enter, Escape cancelling or clearing, key-ins handed on at once or late, and a
// Delete of the host's own that deletes its selection. Sequences that reach the same state are
// explored once. On every step the rules that keep the user's work must hold.
#include "tests/support/HostKindsModel.h"
#include "tests/support/TestSupport.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <string_view>
#include <unordered_set>

using namespace host_kinds;

namespace {

constexpr int Depth = 7;

// The world as far as what follows can tell: a time by its age, as far as a limit it is held to
// can tell it, and nothing that no later step reads.
using StateKey = std::array<char, 53>;

struct KeyHash {
    size_t operator()(const StateKey& key) const { return std::hash<std::string_view>{}({key.data(), key.size()}); }
};

StateKey Key(const World& w)
{
    auto age = [&](DWORD t, DWORD limit) { return static_cast<std::uint16_t>(std::min<DWORD>(w.now - t, limit + 1)); };
    const ShortcutState& h = w.hook.state;
    bool outstanding = h.wordOutstanding;
    StateKey key{};
    size_t at = 0;
    auto add = [&](char c) { key[at++] = c; };
    auto put = [&](std::uint16_t value) { add(static_cast<char>(value & 0xFF)), add(static_cast<char>(value >> 8)); };
    put(std::uint16_t(w.floating | w.keeps << 1 | w.escapeClears << 2 | w.hooked << 3 | w.enabled << 4 |
                      w.deleteDown << 5 | (w.deleteDown && w.deleteKnown) << 6 | w.shiftDown << 7 |
                      w.hook.browsing << 8 | (h.keys[DeleteIndex].down && h.deleteTaken) << 9 | h.typing << 10 |
                      outstanding << 11 | h.stoodDown << 12 | h.standDownBehindWord << 13 | w.deleteLost << 14 |
                      w.strayAhead << 15));
    for (unsigned v : {unsigned(w.front), unsigned(w.line), unsigned(w.command), unsigned(w.strays),
                       unsigned(outstanding ? h.word : BrowseWord::None),
                       unsigned(w.hook.front == nullptr                  ? 0
                                : w.hook.front == HandleOf(w, Win::Main) ? 1
                                                                         : 2)})
        add(static_cast<char>(v));
    put(outstanding ? age(h.wordTime, OutstandingLimit) : 0);
    put(w.deleteLost ? age(w.deleteLostAt, AutoRepeatLimit) : 0);
    put(w.deleteDown ? age(w.deleteSince, AutoRepeatLimit) : 0);
    put(w.deleteDown && w.deletePressedAt == w.deleteSince ? age(w.deletePressedAt, KeyStateGrace) : 0);
    put(w.shiftDown ? age(w.shiftSince, AutoRepeatLimit) : 0);
    put(ThisPassWordOnItsWay(w) ? age(w.wordTypedAt, OutstandingLimit) : 0);
    for (const TrackedKey& k : h.keys)
        put(!k.seen ? 0 : k.down ? 1 + 2 * age(k.since, AutoRepeatLimit) : 2 * age(k.since, KeyStateGrace));
    add(w.functionHeld);
    for (size_t i = 0; i < w.hook.strayCount; ++i)
        add(static_cast<char>(1 + int(w.hook.strays[i])));
    add('|');
    for (size_t i = 0; i < w.keys.count; ++i)
        add(static_cast<char>(w.keys.items[i].kind | int(w.keys.items[i].word) << 3 | w.keys.items[i].thisPass << 6 |
                              w.keys.items[i].onMain << 7));
    add('|');
    for (size_t i = 0; i < w.handing.count; ++i)
        add(static_cast<char>(w.handing.items[i].kind | int(w.handing.items[i].word) << 3 |
                              w.handing.items[i].thisPass << 6));
    return key;
}

// How each state explored was reached: the state it came from and the event.
struct Step {
    int from;
    const char* event;
};

std::string Sequence(const std::vector<Step>& trail, int at)
{
    std::string text;
    for (; at >= 0 && trail[at].event; at = trail[at].from)
        text = std::string(trail[at].event) + (text.empty() ? "" : ", ") + text;
    return text;
}

TEST(EverySequence, KeepsWhatTheUserDidNotAskToLoseOnEveryKindOfHost)
{
    std::unordered_set<StateKey, KeyHash> seen;
    seen.reserve(1 << 22);
    std::vector<Step> trail;
    std::vector<std::pair<World, int>> level;
    for (const World& w : Beginnings()) {
        seen.insert(Key(w));
        trail.push_back({-1, nullptr});
        level.push_back({w, static_cast<int>(trail.size()) - 1});
    }
    unsigned mostStrays = 0, steps = 0;
    for (int depth = 1; depth <= Depth && !level.empty(); ++depth) {
        std::vector<std::pair<World, int>> next;
        for (const auto& [from, at] : level) {
            for (const Event& event : Events) {
                if (!event.can(from))
                    continue;
                ++steps;
                World to = from;
                event.apply(to);
                if (to.failure) {
                    trail.push_back({at, event.name});
                    FAIL() << to.failure << " (" << KindOf(to) << "): " << Sequence(trail, int(trail.size()) - 1);
                }
                mostStrays = std::max<unsigned>(mostStrays, to.strays);
                if (seen.insert(Key(to)).second) {
                    trail.push_back({at, event.name});
                    next.push_back({to, static_cast<int>(trail.size()) - 1});
                }
            }
        }
        level = std::move(next);
    }
    EXPECT_LE(mostStrays, 1u) << "words of one pass that reached something other than the command";
    std::printf("%zu states (every sequence of up to %d events from %zu beginnings on 8 kinds of host, %u steps): no "
                "word for an auto-repeat or while another is on its way, no Delete on its own to the host while the "
                "pass is alive, no word at another pass's prompt, no word of a pass waited for once it has arrived, no "
                "function key to the host ahead of a word on its way nor one held back lost, every new pass with its "
                "shortcuts on, no text being typed cleared, no key typed into a palette or another program lost, the "
                "hook's own typing passed through; at most %u word of a pass reached anything but the command\n",
                seen.size(), Depth, Beginnings().size(), steps, mostStrays);
}

}  // namespace