// The host's system id list, which a segment search fills with the accepted segments (appending
// to what it already holds), and the plug-in's open handles on it.
#pragma once

#include "zelhost/Transcript.h"

#include <ZelLib.h>

#include <cstdint>
#include <map>
#include <vector>

namespace zelhost {

class IdLists {
public:
    explicit IdLists(Transcript& transcript) : transcript_(transcript) {}
    void Reset();

    // A segment accepted by a search; listed once, in order of first acceptance.
    void Append(std::int32_t segmentId, std::int32_t qualifier);
    void Clear();

    ZelIdData Open();
    // The list's first item (`fromHead`) or its next one: 0 with the item filled, -1 when there
    // is none, or (a violation) when the list is not open or there is no item to fill.
    std::int32_t Step(ZelIdData list, IdListItem* item, bool fromHead, const char* function);
    bool Init(ZelIdData list, const char* function);
    bool Close(ZelIdData list, const char* function);
    // A callback must close what it opened: a list still open when it returns is a violation,
    // and the host closes it.
    void CloseLeftOpen(const char* callback);

private:
    struct Entry {
        std::int32_t segmentId;
        std::int32_t qualifier;
    };
    // The list's position of an open handle, or null with a violation.
    size_t* Position(ZelIdData list, const char* function);
    // Whether the segment was listed before; from now on it is. A search of the whole drawing
    // lists every segment: the listed ids are an open-addressed table, at most half full.
    bool Listed(std::int32_t segmentId);

    Transcript& transcript_;
    std::vector<Entry> entries_;
    std::vector<std::int64_t> listed_;       // an id a slot, or Unlisted
    std::map<std::uintptr_t, size_t> open_;  // handle -> position; handles are never reused
    std::uintptr_t lastHandle_ = 0;
};

}  // namespace zelhost
