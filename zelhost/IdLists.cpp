#include "zelhost/IdLists.h"

#include <cstring>

namespace zelhost {

void IdLists::Reset()
{
    Clear();
    open_.clear();
}

void IdLists::Append(std::int32_t segmentId, std::int32_t qualifier)
{
    if (listed_.insert(segmentId).second)
        entries_.push_back(Entry{segmentId, qualifier});
}

void IdLists::Clear()
{
    entries_.clear();
    listed_.clear();
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
