// Faults the driver sets so that every result the plug-in examines can be made to fail. Each
// stays in force until the host is reset, unless it says otherwise.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace zelhost {

struct Faults {
    struct Comment {
        std::int32_t result = -1;
        bool nullText = false;  // reported filled (0), with a null text
    };

    std::int32_t registerResult = 1;
    std::unordered_map<std::int32_t, Comment> comments;  // by element
    std::unordered_set<std::int32_t> deletes;            // by segment
    std::map<std::int64_t, std::int32_t> searches;       // by search number, counted from the reset
    std::int64_t searchesMade = 0;
    std::unordered_set<std::int64_t> idListOpens;  // by open number, counted from the reset: no list
    std::int64_t idListOpensMade = 0;
    std::optional<std::int32_t> nextGetPoint;
    bool nextKeyinNull = false;
    std::unordered_map<std::int32_t, std::int32_t> heads;  // segment -> the head element to answer
    std::string failInside;                                // the export whose next call fails inside the host; once

    // The fault of the search now being made, if any.
    std::optional<std::int32_t> TakeSearch()
    {
        auto fault = searches.find(++searchesMade);
        if (fault == searches.end())
            return std::nullopt;
        return fault->second;
    }
    // Whether the id list now being opened cannot be.
    bool TakeIdListOpen() { return idListOpens.count(++idListOpensMade) != 0; }
};

}  // namespace zelhost
