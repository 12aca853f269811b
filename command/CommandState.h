// The command's module-level state. It lives from load to unload; a run of the command
// overwrites it, and the first prompt of each run empties the match table.
#pragma once

#include <ZelLib.h>

#include <cstddef>
#include <cstdint>
#include <string>

struct MatchEntry {
    std::int32_t qualifier;  // with segmentId, the pair that ZelIdSetBlinkSegmentId takes by address
    std::int32_t segmentId;
    std::int32_t elementId;  // the segment's head element: the annotation read and written
};
static_assert(sizeof(MatchEntry) == 12);
static_assert(offsetof(MatchEntry, qualifier) == 0 && offsetof(MatchEntry, segmentId) == sizeof(std::int32_t),
              "a match begins with the pair {qualifier, segmentId} that the host's blink takes");

// Slot 0 is never used; matches occupy 1..MatchCount.
constexpr std::int32_t MatchTableSlots = 1088;
constexpr std::int32_t MatchCapacity = MatchTableSlots - 1;
// From this match on, every further match raises the capacity message.
constexpr std::int32_t MatchWarningCount = 1000;

// The two search methods' chains of prompts, fixed when the command starts.
enum class Chain { Identical, Contains };

extern std::wstring SearchText;
extern EventPoint WindowCorner1;
extern MatchEntry MatchTable[MatchTableSlots];
extern std::int32_t MatchCount;
extern std::int32_t CurrentIndex;  // 0 all matches, k the k-th match
extern BoundingBox ViewBox;
