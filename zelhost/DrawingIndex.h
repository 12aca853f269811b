// The segments of a drawing by where they lie, so that the view visits only what it shows: a
// packed R-tree over each segment's box, built at once in the order of a Hilbert curve through
// the boxes' centres, and kept current between builds by the drawing's edits. A segment whose
// box grows out of its place in the tree moves to a short list that every query also reads;
// once that list is long, the tree is built anew from the boxes it holds.
#pragma once

#include <ZelLib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

namespace zelhost {

bool Overlaps(const BoundingBox& a, const BoundingBox& b);
bool Contains(const BoundingBox& outer, const BoundingBox& inner);
void Include(BoundingBox& box, double x, double y);
void Include(BoundingBox& box, const BoundingBox& other);

class DrawingIndex {
public:
    // A segment's place in the drawing and the box it covers.
    struct Entry {
        std::uint32_t position;
        BoundingBox box;
    };

    explicit DrawingIndex(std::vector<Entry> entries = {});

    // A segment added, or its box changed.
    void Set(std::uint32_t position, const BoundingBox& box);
    void Remove(std::uint32_t position);

    // Calls visit(position, box) for every segment whose box overlaps `box`, each once.
    template <class Visit>
    void Query(const BoundingBox& box, Visit&& visit) const;

private:
    static constexpr std::uint32_t Fanout = 16;
    // Where a segment is: an item of the tree, or (with this bit) the moved list's entry.
    static constexpr std::uint32_t MovedBit = 0x80000000u;
    static constexpr std::uint32_t Nowhere = std::numeric_limits<std::uint32_t>::max();

    void Build(std::vector<Entry> entries);
    void Move(std::uint32_t position, const BoundingBox& box);

    // The tree level by level from the items up; level L's nodes start at levels_[L].
    std::vector<BoundingBox> boxes_;
    std::vector<std::size_t> levels_;
    std::vector<std::uint32_t> items_;  // each item's segment position; Nowhere once it left
    std::vector<Entry> moved_;
    std::vector<std::uint32_t> placeOf_;  // by segment position
};

template <class Visit>
void DrawingIndex::Query(const BoundingBox& box, Visit&& visit) const
{
    for (const Entry& entry : moved_)
        if (Overlaps(entry.box, box))
            visit(entry.position, entry.box);
    if (items_.empty())
        return;
    // Depth first from the root, a node a step: (level, index within the level).
    std::vector<std::pair<std::size_t, std::size_t>> pending = {{levels_.size() - 2, 0}};
    while (!pending.empty()) {
        auto [level, node] = pending.back();
        pending.pop_back();
        std::size_t first = node * Fanout;
        std::size_t end = std::min<std::size_t>(first + Fanout, levels_[level + 1] - levels_[level]);
        for (std::size_t child = first; child < end; ++child) {
            const BoundingBox& childBox = boxes_[levels_[level] + child];
            if (!Overlaps(childBox, box))
                continue;
            if (level > 0)
                pending.emplace_back(level - 1, child);
            else if (items_[child] != Nowhere)
                visit(items_[child], childBox);
        }
    }
}

}  // namespace zelhost
