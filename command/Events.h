// The one reading of the event that the host hands an execute function, for every state of the
// command. Whether the event carries a point comes first (ZelEvtGetPoint is every execute
// function's first call), its kind second; the host is asked for a picked annotation's text or a
// key-in's text only by a state that takes them.
#pragma once

#include <ZelLib.h>

#include <cstdint>
#include <string>

// The events a state takes, besides a confirm, which every state reads.
enum class Takes {
    PicksAndKeyins,  // a text: an annotation picked, or keyed in
    DataPoints,
};

enum class EventIs {
    // A point of a kind the state does not take ("잘못된 선택입니다."), or a pick whose
    // annotation cannot be read ("주기정보를 확인할 수 없습니다."): the error line is up.
    Refused,
    Pick,       // `text` is the picked annotation's, copied
    DataPoint,  // at `point`
    KeyIn,      // `text` is the key-in's, copied exactly
    Confirm,
    Other,  // anything else, a key-in without any text among them: the state keeps waiting
};

struct StateEvent {
    EventIs is = EventIs::Other;
    EventPoint point{};
    std::wstring text;
};

StateEvent ReadEvent(std::int32_t kind, ZelEvent event, Takes takes);
