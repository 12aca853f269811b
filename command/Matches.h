// Collecting the matches into the match table, blinking them and framing them.
#pragma once

#include "base/UniqueHandle.h"
#include "command/CommandState.h"

#include <string_view>

// The search filters, which the host calls from inside a segment search.
std::int32_t AcceptAllFilter(std::int32_t elementId, std::int32_t segmentId) noexcept;
// The annotation's whole text equals SearchText, compared ordinally without regard to case.
std::int32_t IdenticalTextFilter(std::int32_t elementId, std::int32_t segmentId) noexcept;
// The annotation's text contains SearchText, case-sensitive.
std::int32_t ContainsTextFilter(std::int32_t elementId, std::int32_t segmentId) noexcept;

// The host's system id list, emptied and closed when its owner goes, on every path: the host holds
// a list left open against the callback that opened it. A list the host could not open (null) is
// neither emptied nor closed.
struct EmptyAndCloseIdList {
    void operator()(ZelIdData list) const noexcept
    {
        ZelIddInitApIdData(list);
        ZelIddCloseApIdData(list);
    }
};
using UniqueIdList = UniqueHandle<ZelIdData, EmptyAndCloseIdList>;
[[nodiscard]] UniqueIdList OpenSystemIdList();

// Appends the chain's matches within `window` (null: the whole drawing) to the table.
void CollectMatches(const BoundingBox* window, Chain chain);
void BlinkMatches();
// Index 0: the bounding box of every match that can be read; k: the k-th match's point.
// False, with `box` untouched, when there is nothing to frame.
[[nodiscard]] bool ComputeViewBox(std::int32_t index, BoundingBox& box);
// Fits the host's view to `box` widened by `margin` on every side.
void ZoomToViewBox(const BoundingBox& box, double margin);

// Ordinal comparison without regard to case, folding beyond A to Z.
[[nodiscard]] bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b);

// Reads an annotation's record; true only when the host filled it with a text. The text
// pointer is the host's and expires at the next host call.
[[nodiscard]] bool ReadAnnotation(std::int32_t elementId, CommentRecord& record);
