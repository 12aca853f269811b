// ZelLib: the host CAD application's API library, as the plug-in sees it.
//
// Lifecycle. The host loads the plug-in and calls its export Startup, which hands the start,
// second and unload callbacks to ZelCtlRegisterZelLib2. Each time the user runs the command the
// host calls the start callback; it calls the command's first ready function itself, and every
// ready function registers an execute function with ZelCtlSetExecuteFunc. The host then hands
// each user event to the current execute function: `finish` ends the run, `advance` makes the
// host call the ready function that the execute function registered with ZelCtlSetReadyFunc,
// `stay` keeps the execute function for the next event. A segment search calls the filter back
// for each candidate element before ZelSgmSearchSegment2 returns. Before releasing the plug-in
// the host calls the unload callback.
//
// Threads. Every call, in both directions, happens on the host's user-interface thread.
//
// Texts. Every text is NUL-terminated UTF-16. A text the host returns (a comment's text, a
// key-in) stays valid only until the host's next call of the same kind or until the callback
// that received it returns: copy it at once. A text handed to the host is copied by the host
// during the call.
#pragma once

#include <cstddef>
#include <cstdint>

#ifdef ZELLIB_BUILD
#define ZELAPI extern "C" __declspec(dllexport)
#else
#define ZELAPI extern "C" __declspec(dllimport)
#endif

enum StateResult : std::int32_t { finish = 0, advance = 2, stay = 3 };

enum EventKind : std::int32_t { ElementPick = 1, DataPoint = 3, KeyIn = 5, Confirm = 7 };

constexpr std::int32_t PickEventMask = 0x1000800;
constexpr std::int32_t PointEventMask = 0x20000;
constexpr std::int32_t AnnotationElementType = 33;

// The host's event, opaque to the plug-in; valid during the execute call that receives it.
typedef struct ZelEvent_* ZelEvent;
// An open id list of the host's, opaque to the plug-in.
typedef struct ZelIdData_* ZelIdData;

extern "C" {
typedef std::int32_t (*ZelStartFunc)();
// The second registration slot. The host calls it with no arguments and ignores its result.
typedef std::int32_t (*ZelSecondFunc)();
typedef void (*ZelUnloadFunc)();
typedef std::int32_t (*ZelReadyFunc)();
typedef std::int32_t (*ZelExecuteFunc)(std::int32_t kind, ZelEvent event);
// Called from inside ZelSgmSearchSegment2 for each candidate element: its id first and the id
// of its segment second, both to be handed on unchanged to ZelElmGetType. 1 accepts, 0 skips.
typedef std::int32_t (*ElementFilter)(std::int32_t elementId, std::int32_t segmentId);
}

struct ObjectFilterRecord {
    std::int32_t values[5];
};
static_assert(sizeof(ObjectFilterRecord) == 20);

// The object filter of a prompt that takes annotation picks.
constexpr ObjectFilterRecord AnnotationPickFilter = {{8, 0, 0, 17, 0}};

struct EchoRecord {
    std::int32_t kind;
    double x;
    double y;
};
static_assert(sizeof(EchoRecord) == 24);
static_assert(offsetof(EchoRecord, kind) == 0);
static_assert(offsetof(EchoRecord, x) == 8);
static_assert(offsetof(EchoRecord, y) == 16);

// The echo kind of a window: a rectangle from the echo's anchor to the pointer.
constexpr std::int32_t WindowEcho = 2;

struct EventPoint {
    double x;
    double y;
};
static_assert(sizeof(EventPoint) == 16);
static_assert(offsetof(EventPoint, y) == 8);

struct BoundingBox {
    double xmin;
    double ymin;
    double xmax;
    double ymax;
};
static_assert(sizeof(BoundingBox) == 32);
static_assert(offsetof(BoundingBox, ymin) == 8);
static_assert(offsetof(BoundingBox, xmax) == 16);
static_assert(offsetof(BoundingBox, ymax) == 24);

struct IdListItem {
    std::int32_t segmentId;
    std::int32_t qualifier;
    unsigned char reserved[16];
};
static_assert(sizeof(IdListItem) == 24);
static_assert(offsetof(IdListItem, segmentId) == 0);
static_assert(offsetof(IdListItem, qualifier) == 4);

struct CommentRecord {
    unsigned char reserved0[8];
    double x;
    double y;
    unsigned char reserved1[16];
    const wchar_t* text;
    unsigned char reserved2[240];
};
static_assert(sizeof(CommentRecord) == 288);
static_assert(offsetof(CommentRecord, x) == 8);
static_assert(offsetof(CommentRecord, y) == 16);
static_assert(offsetof(CommentRecord, text) == 40);

// Registration: a result above 0 means registered.
ZELAPI std::int32_t ZelCtlRegisterZelLib2(ZelStartFunc start, ZelSecondFunc second, ZelUnloadFunc unload);
// `reserved` is always the empty text.
ZELAPI std::int32_t ZelCtlSetReadyFunc(ZelReadyFunc ready, const wchar_t* reserved);
ZELAPI std::int32_t ZelCtlSetExecuteFunc(ZelExecuteFunc execute, const wchar_t* reserved);

ZELAPI std::int32_t ZelEvtSetEventMask(std::int32_t mask);
ZELAPI std::int32_t ZelEvtSetObject(const ObjectFilterRecord* filter);
ZELAPI std::int32_t ZelEvtSetEcho(const EchoRecord* echo);
// 0 when the event carries a point (element picks and data points), filled into `point`.
ZELAPI std::int32_t ZelEvtGetPoint(std::int32_t kind, ZelEvent event, EventPoint* point);
ZELAPI std::int32_t ZelEvtGetElementId(std::int32_t kind, ZelEvent event);
ZELAPI const wchar_t* ZelEvtGetKeyinString(std::int32_t kind, ZelEvent event);

ZELAPI std::int32_t ZelMsgPutMessage(const wchar_t* text);
ZELAPI std::int32_t ZelMsgPutCursorMessage(const wchar_t* text);
ZELAPI std::int32_t ZelMsgPutErrorMessage(const wchar_t* text);
ZELAPI std::int32_t ZelMsgPutInfoMessage(const wchar_t* text);
ZELAPI std::int32_t ZelDlgMessageBox(const wchar_t* text);

// 0 when the record was filled, -1 (or another non-zero value) when the element has none.
ZELAPI std::int32_t ZelCmtGetComment(std::int32_t elementId, CommentRecord* record);
// `reserved` is always 0.
ZELAPI std::int32_t ZelCmtSetNote(std::int32_t elementId, std::int32_t reserved, const wchar_t* text);

ZELAPI std::int32_t ZelElmGetType(std::int32_t elementId, std::int32_t segmentId);

// `window` null searches the whole drawing; `reserved` is always 0. 0 once the segments of the
// accepted elements fill the system id list.
ZELAPI std::int32_t ZelSgmSearchSegment2(const BoundingBox* window, ElementFilter filter, std::int32_t reserved);
ZELAPI std::int32_t ZelSgmGetHeadElementId(std::int32_t segmentId);
// -1 when the segment could not be deleted.
ZELAPI std::int32_t ZelSgmDeleteSegment(std::int32_t segmentId);

// The system id list, which a segment search fills, opens with these two values; null when no
// list can be opened.
constexpr std::int32_t SystemIdListKind = 0;
constexpr std::int32_t SystemIdListMode = 1;
ZELAPI ZelIdData ZelIddOpenApIdData(std::int32_t kind, std::int32_t mode);
// -1 when there is no (further) item.
ZELAPI std::int32_t ZelIddGetHeadApIdData(ZelIdData list, IdListItem* item);
ZELAPI std::int32_t ZelIddGetNextApIdData(ZelIdData list, IdListItem* item);
ZELAPI std::int32_t ZelIddInitApIdData(ZelIdData list);
ZELAPI std::int32_t ZelIddCloseApIdData(ZelIdData list);
ZELAPI std::int32_t ZelIddClearSysIdData();

// `segment` points at the pair {qualifier, segmentId}.
ZELAPI std::int32_t ZelIdSetBlinkSegmentId(const std::int32_t* segment);
ZELAPI std::int32_t ZelIdDoBlink();

ZELAPI std::int32_t ZelFilFitZoom2(double xmin, double ymin, double xmax, double ymax);
