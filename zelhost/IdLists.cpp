#include "zelhost/IdLists.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace zelhost {

namespace {

constexpr std::int64_t Unlisted = std::numeric_limits<std::int64_t>::min();

size_t SlotOf(std::int32_t id, size_t slots)
{
    auto mixed = static_cast<std::uint32_t>(id);
    mixed = (mixed ^ (mixed >> 16)) * 0x45D9F3Bu;
    mixed = (mixed ^ (mixed >> 16)) * 0x45D9F3Bu;
    return (mixed ^ (mixed >> 16)) & (slots - 1);
}

}  // namespace

void IdLists::Reset()
{
    Clear();
    open_.clear();
}

void IdLists::Append(std::int32_t segmentId, std::int32_t qualifier)
{
    if (!Listed(segmentId))
        entries_.push_back(Entry{segmentId, qualifier});
}

void IdLists::Clear()
{
    entries_.clear();
    std::fill(listed_.begin(), listed_.end(), Unlisted);
}

bool IdLists::Listed(std::int32_t segmentId)
{
    if (2 * (entries_.size() + 1) > listed_.size()) {
        listed_.assign(std::max<size_t>(64, 2 * listed_.size()), Unlisted);
        for (const Entry& entry : entries_)
            Listed(entry.segmentId);
    }
    for (size_t slot = SlotOf(segmentId, listed_.size());; slot = (slot + 1) & (listed_.size() - 1)) {
        if (listed_[slot] == segmentId)
            return true;
        if (listed_[slot] == Unlisted) {
            listed_[slot] = segmentId;
            return false;
        }
    }
}

ZelIdData IdLists::Open()
{
    open_.emplace(++lastHandle_, 0);
    return reinterpret_cast<ZelIdData>(lastHandle_);
}

size_t* IdLists::Position(ZelIdData list, const char* function)
{
    auto open = open_.find(reinterpret_cast<std::uintptr_t>(list));
    if (open == open_.end()) {
        transcript_.Violation(std::string(function) + " with an id list that is not open");
        return nullptr;
    }
    return &open->second;
}

std::int32_t IdLists::Step(ZelIdData list, IdListItem* item, bool fromHead, const char* function)
{
    if (!item) {
        transcript_.Violation(std::string(function) + " with a null item");
        return -1;
    }
    size_t* position = Position(list, function);
    if (!position)
        return -1;
    *position = fromHead ? 0 : *position + 1;
    if (*position >= entries_.size())
        return -1;
    std::memset(item, 0xCD, sizeof *item);
    item->segmentId = entries_[*position].segmentId;
    item->qualifier = entries_[*position].qualifier;
    return 0;
}

bool IdLists::Init(ZelIdData list, const char* function)
{
    if (!Position(list, function))
        return false;
    Clear();
    return true;
}

bool IdLists::Close(ZelIdData list, const char* function)
{
    if (!Position(list, function))
        return false;
    open_.erase(reinterpret_cast<std::uintptr_t>(list));
    return true;
}

void IdLists::CloseLeftOpen(const char* callback)
{
    if (open_.empty())
        return;
    transcript_.Violation(std::string(callback) + " returned with an id list still open");
    open_.clear();
}

}  // namespace zelhost
