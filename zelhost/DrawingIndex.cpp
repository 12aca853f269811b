#include "zelhost/DrawingIndex.h"

#include <cmath>

namespace zelhost {

namespace {

// The moved list is read whole by every query: past this share of the tree, the tree is built
// anew.
constexpr std::size_t MovedAtMost = 1024;
constexpr std::size_t MovedShare = 16;

// Where (x, y) of a 65536 by 65536 grid lies along the Hilbert curve through it.
std::uint64_t HilbertDistance(std::uint32_t x, std::uint32_t y)
{
    constexpr std::uint32_t Side = 1u << 16;
    std::uint64_t distance = 0;
    for (std::uint32_t s = Side / 2; s > 0; s /= 2) {
        std::uint32_t rx = (x & s) ? 1 : 0;
        std::uint32_t ry = (y & s) ? 1 : 0;
        distance += static_cast<std::uint64_t>(s) * s * ((3 * rx) ^ ry);
        if (ry == 0) {
            if (rx == 1) {
                x = Side - 1 - x;
                y = Side - 1 - y;
            }
            std::swap(x, y);
        }
    }
    return distance;
}

BoundingBox Union(const BoundingBox* boxes, std::size_t count)
{
    BoundingBox all = boxes[0];
    for (std::size_t i = 1; i < count; ++i)
        Include(all, boxes[i]);
    return all;
}

}  // namespace

bool Overlaps(const BoundingBox& a, const BoundingBox& b)
{
    return a.xmin <= b.xmax && b.xmin <= a.xmax && a.ymin <= b.ymax && b.ymin <= a.ymax;
}

bool Contains(const BoundingBox& outer, const BoundingBox& inner)
{
    return outer.xmin <= inner.xmin && outer.ymin <= inner.ymin && inner.xmax <= outer.xmax && inner.ymax <= outer.ymax;
}

void Include(BoundingBox& box, double x, double y)
{
    box.xmin = std::min(box.xmin, x);
    box.ymin = std::min(box.ymin, y);
    box.xmax = std::max(box.xmax, x);
    box.ymax = std::max(box.ymax, y);
}

void Include(BoundingBox& box, const BoundingBox& other)
{
    Include(box, other.xmin, other.ymin);
    Include(box, other.xmax, other.ymax);
}

DrawingIndex::DrawingIndex(std::vector<Entry> entries) { Build(std::move(entries)); }

void DrawingIndex::Build(std::vector<Entry> entries)
{
    boxes_.clear();
    levels_.assign(1, 0);
    items_.clear();
    moved_.clear();
    std::uint32_t positions = 0;
    for (const Entry& entry : entries)
        positions = std::max(positions, entry.position + 1);
    placeOf_.assign(std::max<std::size_t>(placeOf_.size(), positions), Nowhere);
    if (entries.empty())
        return;

    // The items along the curve, so that each node holds neighbours.
    BoundingBox centres{entries[0].box.xmin, entries[0].box.ymin, entries[0].box.xmin, entries[0].box.ymin};
    for (const Entry& entry : entries)
        Include(centres, (entry.box.xmin + entry.box.xmax) / 2, (entry.box.ymin + entry.box.ymax) / 2);
    double width = std::max(centres.xmax - centres.xmin, 1e-300);
    double height = std::max(centres.ymax - centres.ymin, 1e-300);
    auto cell = [](double offset, double extent) {
        double at = offset / extent * 65535.0;
        return at >= 65535.0 ? 65535u : at > 0 ? static_cast<std::uint32_t>(at) : 0u;
    };
    std::vector<std::pair<std::uint64_t, std::uint32_t>> order(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const BoundingBox& b = entries[i].box;
        std::uint32_t x = cell((b.xmin + b.xmax) / 2 - centres.xmin, width);
        std::uint32_t y = cell((b.ymin + b.ymax) / 2 - centres.ymin, height);
        order[i] = {HilbertDistance(x, y), static_cast<std::uint32_t>(i)};
    }
    std::sort(order.begin(), order.end());

    for (const auto& [distance, i] : order) {
        placeOf_[entries[i].position] = static_cast<std::uint32_t>(items_.size());
        items_.push_back(entries[i].position);
        boxes_.push_back(entries[i].box);
    }
    // Each level's nodes over the one below, up to a single root.
    std::size_t count = items_.size();
    do {
        std::size_t start = levels_.back();
        levels_.push_back(start + count);
        for (std::size_t first = 0; first < count; first += Fanout)
            boxes_.push_back(Union(&boxes_[start + first], std::min<std::size_t>(Fanout, count - first)));
        count = (count + Fanout - 1) / Fanout;
    } while (count > 1);
    levels_.push_back(boxes_.size());
}

void DrawingIndex::Set(std::uint32_t position, const BoundingBox& box)
{
    if (position >= placeOf_.size())
        placeOf_.resize(position + 1, Nowhere);
    std::uint32_t place = placeOf_[position];
    if (place == Nowhere) {
        Move(position, box);
    } else if (place & MovedBit) {
        moved_[place & ~MovedBit].box = box;
    } else if (Contains(boxes_[place], box)) {
        boxes_[place] = box;  // the nodes above still hold it
    } else {
        items_[place] = Nowhere;
        Move(position, box);
    }
}

void DrawingIndex::Remove(std::uint32_t position)
{
    if (position >= placeOf_.size() || placeOf_[position] == Nowhere)
        return;
    std::uint32_t place = std::exchange(placeOf_[position], Nowhere);
    if (!(place & MovedBit)) {
        items_[place] = Nowhere;
        return;
    }
    std::uint32_t index = place & ~MovedBit;
    moved_[index] = moved_.back();
    moved_.pop_back();
    if (index < moved_.size())
        placeOf_[moved_[index].position] = index | MovedBit;
}

void DrawingIndex::Move(std::uint32_t position, const BoundingBox& box)
{
    placeOf_[position] = static_cast<std::uint32_t>(moved_.size()) | MovedBit;
    moved_.push_back(Entry{position, box});
    if (moved_.size() <= std::max(MovedAtMost, items_.size() / MovedShare))
        return;
    std::vector<Entry> entries = std::move(moved_);
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (items_[i] != Nowhere)
            entries.push_back(Entry{items_[i], boxes_[i]});
    Build(std::move(entries));
}

}  // namespace zelhost
