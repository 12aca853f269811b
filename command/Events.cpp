#include "base/pch.h"

#include "command/Events.h"

#include "command/Matches.h"
#include "command/Messages.h"

namespace {

StateEvent Refuse(const wchar_t* error)
{
    ZelMsgPutErrorMessage(error);
    return StateEvent{EventIs::Refused, {}, {}};
}

StateEvent ReadPick(std::int32_t kind, ZelEvent event)
{
    // Any result but 0 leaves the record unfilled, its text pointer garbage.
    CommentRecord record{};
    if (!ReadAnnotation(ZelEvtGetElementId(kind, event), record))
        return Refuse(message::Unreadable);
    return StateEvent{EventIs::Pick, {}, record.text};
}

StateEvent ReadKeyin(std::int32_t kind, ZelEvent event)
{
    const wchar_t* typed = ZelEvtGetKeyinString(kind, event);
    if (!typed)
        return StateEvent{EventIs::Other, {}, {}};
    return StateEvent{EventIs::KeyIn, {}, typed};
}

}  // namespace

StateEvent ReadEvent(std::int32_t kind, ZelEvent event, Takes takes)
{
    EventPoint point{};
    bool textual = takes == Takes::PicksAndKeyins;
    if (ZelEvtGetPoint(kind, event, &point) == 0) {
        if (textual && kind == ElementPick)
            return ReadPick(kind, event);
        if (!textual && kind == DataPoint)
            return StateEvent{EventIs::DataPoint, point, {}};
        return Refuse(message::InvalidSelection);
    }
    if (textual && kind == KeyIn)
        return ReadKeyin(kind, event);
    if (kind == Confirm)
        return StateEvent{EventIs::Confirm, {}, {}};
    return StateEvent{EventIs::Other, {}, {}};
}
