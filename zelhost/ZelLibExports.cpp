// The exports of the stand-in ZelLib.dll: the operations the plug-in calls (host/ZelLib.h), on
// the stand-in host's rooms (Host.h). Strict on purpose: texts handed out expire as the host's
// own would, protocol breaches are recorded as violations, and every result the plug-in
// examines can be faulted.
#include <ZelLib.h>

#include "zelhost/Host.h"
#include "zelhost/Utf8.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <utility>

using namespace zelhost;

namespace {

std::string Quote(const wchar_t* text) { return text ? "\"" + Utf8FromWide(text) + "\"" : "null"; }

std::string Address(const void* function)
{
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "%p", function);
    return buffer;
}

void CheckReserved(const char* function, const wchar_t* reserved)
{
    if (!reserved || *reserved)
        Host().transcript.Violation(std::string(function) + " with a second argument other than the empty text");
}

// Puts a line the plug-in showed, and keeps it as the window's `line` (if any); false (a
// violation) for a null text.
bool Show(const char* function, const char* label, const wchar_t* text, std::wstring StatusLines::*line = nullptr)
{
    Transcript& t = Host().transcript;
    if (!text) {
        t.Violation(std::string(function) + " with a null text");
        return false;
    }
    t.Call([&] { return std::string(function) + " " + Quote(text); });
    t.Say(std::string(label) + ": " + Utf8FromWide(text));
    if (line)
        Host().view.Lines().*line = text;
    Host().view.Changed();
    return true;
}

// Where every export begins: the host's rooms, once the fault that makes this export fail inside
// the host has been taken, if it is set.
HostRooms& Entered(const char* function)
{
    HostRooms& h = Host();
    if (!h.faults.failInside.empty() && h.faults.failInside == function) {
        h.faults.failInside.clear();
        throw std::runtime_error("the fault the driver set");
    }
    return h;
}

bool Inside(const BoundingBox& w, const Element& e)
{
    return e.x >= w.xmin && e.x <= w.xmax && e.y >= w.ymin && e.y <= w.ymax;
}

}  // namespace

ZELAPI std::int32_t ZelCtlRegisterZelLib2(ZelStartFunc start, ZelSecondFunc second, ZelUnloadFunc unload)
try {
    HostRooms& h = Entered(__func__);
    h.transcript.Call([] { return std::string("ZelCtlRegisterZelLib2"); });
    return h.protocol.Register(start, second, unload, h.faults.registerResult);
} catch (...) {
    return Failed(__func__, 0);
}

ZELAPI std::int32_t ZelCtlSetReadyFunc(ZelReadyFunc ready, const wchar_t* reserved)
try {
    Entered(__func__);
    Host().transcript.Call([] { return std::string("ZelCtlSetReadyFunc"); });
    CheckReserved("ZelCtlSetReadyFunc", reserved);
    Host().protocol.SetReady(ready);
    return 0;
} catch (...) {
    return Failed(__func__, -1);
}

ZELAPI std::int32_t ZelCtlSetExecuteFunc(ZelExecuteFunc execute, const wchar_t* reserved)
try {
    Entered(__func__);
    Host().transcript.Call([] { return std::string("ZelCtlSetExecuteFunc"); });
    CheckReserved("ZelCtlSetExecuteFunc", reserved);
    Host().protocol.SetExecute(execute);
    return 0;
} catch (...) {
    return Failed(__func__, -1);
}

ZELAPI std::int32_t ZelEvtSetEventMask(std::int32_t mask)
try {
    Entered(__func__);
    Host().view.Input().mask = mask;
    Host().transcript.Call([&] {
        char buffer[48];
        std::snprintf(buffer, sizeof buffer, "ZelEvtSetEventMask 0x%X", static_cast<unsigned>(mask));
        return std::string(buffer);
    });
    return 0;
} catch (...) {
    return Failed(__func__, -1);
}

ZELAPI std::int32_t ZelEvtSetObject(const ObjectFilterRecord* filter)
try {
    HostRooms& h = Entered(__func__);
    if (!filter) {
        h.transcript.Violation("ZelEvtSetObject with a null record");
        return -1;
    }
    h.view.Input().filter = *filter;
    h.transcript.Call([&] {
        std::string line = "ZelEvtSetObject";
        for (std::int32_t v : filter->values)
            line += " " + std::to_string(v);
        return line;
    });
    return 0;
} catch (...) {
    return Failed(__func__, -1);
}

ZELAPI std::int32_t ZelEvtSetEcho(const EchoRecord* echo)
try {
    HostRooms& h = Entered(__func__);
    if (!echo) {
        h.transcript.Violation("ZelEvtSetEcho with a null record");
        return -1;
    }
    h.view.Input().echo = *echo;
    h.transcript.Call([&] {
        return "ZelEvtSetEcho " + std::to_string(echo->kind) + " " + TranscriptNumber(echo->x) + " " +
               TranscriptNumber(echo->y);
    });
    return 0;
} catch (...) {
    return Failed(__func__, -1);
}

ZELAPI std::int32_t ZelEvtGetPoint(std::int32_t kind, ZelEvent event, EventPoint* point)
try {
    HostRooms& h = Entered(__func__);
    h.transcript.Call([&] { return "ZelEvtGetPoint " + std::to_string(kind); });
    HostEvent* e = h.protocol.CheckEvent("ZelEvtGetPoint", kind, event);
    if (auto fault = std::exchange(h.faults.nextGetPoint, std::nullopt))
        return *fault;
    if (!e || !e->hasPoint)
        return 1;
    if (!point) {
        h.transcript.Violation("ZelEvtGetPoint with a null point");
        return 1;
    }
    *point = EventPoint{e->x, e->y};
    return 0;
} catch (...) {
    return Failed(__func__, 1);
}

ZELAPI std::int32_t ZelEvtGetElementId(std::int32_t kind, ZelEvent event)
try {
    HostRooms& h = Entered(__func__);
    h.transcript.Call([&] { return "ZelEvtGetElementId " + std::to_string(kind); });
    HostEvent* e = h.protocol.CheckEvent("ZelEvtGetElementId", kind, event);
    return e && e->kind == ElementPick ? e->elementId : -1;
} catch (...) {
    return Failed(__func__, -1);
}

ZELAPI const wchar_t* ZelEvtGetKeyinString(std::int32_t kind, ZelEvent event)
try {
    HostRooms& h = Entered(__func__);
    h.transcript.Call([&] { return "ZelEvtGetKeyinString " + std::to_string(kind); });
    HostEvent* e = h.protocol.CheckEvent("ZelEvtGetKeyinString", kind, event);
    if (std::exchange(h.faults.nextKeyinNull, false))
        return nullptr;
    return h.keyinText.Set(e ? e->text : std::wstring());
} catch (...) {
    return Failed(__func__, nullptr);
}

ZELAPI std::int32_t ZelMsgPutMessage(const wchar_t* text)
try {
    Entered(__func__);
    if (!Show("ZelMsgPutMessage", "prompt", text, &StatusLines::prompt))
        return -1;
    // A new prompt: the error of the last one has been read.
    Host().view.Lines().error.clear();
    Host().view.Lines().host.clear();
    return 0;
} catch (...) {
    return Failed(__func__, -1);
}

ZELAPI std::int32_t ZelMsgPutCursorMessage(const wchar_t* text)
try {
    Entered(__func__);
    return Show("ZelMsgPutCursorMessage", "cursor", text, &StatusLines::cursor) ? 0 : -1;
} catch (...) {
    return Failed(__func__, -1);
}

ZELAPI std::int32_t ZelMsgPutErrorMessage(const wchar_t* text)
try {
    Entered(__func__);
    return Show("ZelMsgPutErrorMessage", "error", text, &StatusLines::error) ? 0 : -1;
} catch (...) {
    return Failed(__func__, -1);
}

ZELAPI std::int32_t ZelMsgPutInfoMessage(const wchar_t* text)
try {
    Entered(__func__);
    return Show("ZelMsgPutInfoMessage", "info", text, &StatusLines::info) ? 0 : -1;
} catch (...) {
    return Failed(__func__, -1);
}

ZELAPI std::int32_t ZelDlgMessageBox(const wchar_t* text)
try {
    HostRooms& h = Entered(__func__);
    if (!Show("ZelDlgMessageBox", "messagebox", text) || !h.modalMessageBoxes)
        return IDOK;
    return ShowMessageBox(text);
} catch (...) {
    return Failed(__func__, -1);
}

ZELAPI std::int32_t ZelCmtGetComment(std::int32_t elementId, CommentRecord* record)
try {
    HostRooms& h = Entered(__func__);
    h.transcript.Call([&] { return "ZelCmtGetComment " + std::to_string(elementId); });
    if (!record) {
        h.transcript.Violation("ZelCmtGetComment with a null record");
        return -1;
    }
    // The bytes the plug-in must not rely on: a record the host does not fill keeps them all.
    std::memset(record, 0xCD, sizeof *record);
    if (!h.faults.comments.empty()) {
        auto fault = h.faults.comments.find(elementId);
        if (fault != h.faults.comments.end()) {
            if (!fault->second.nullText)
                return fault->second.result;
            record->text = nullptr;
            return 0;
        }
    }
    const Element* element = h.drawing.FindElement(elementId);
    if (!element || !element->IsAnnotation())
        return -1;
    record->x = element->x;
    record->y = element->y;
    record->text = h.commentText.Set(element->text);
    return 0;
} catch (...) {
    return Failed(__func__, -1);
}

ZELAPI std::int32_t ZelCmtSetNote(std::int32_t elementId, std::int32_t reserved, const wchar_t* text)
try {
    HostRooms& h = Entered(__func__);
    h.transcript.Call([&] {
        return "ZelCmtSetNote " + std::to_string(elementId) + " " + std::to_string(reserved) + " " + Quote(text);
    });
    if (reserved != 0)
        h.transcript.Violation("ZelCmtSetNote with a second argument other than 0");
    if (!text) {
        h.transcript.Violation("ZelCmtSetNote with a null text");
        return -1;
    }
    if (!h.drawing.SetText(elementId, text))
        return -1;
    h.view.Changed();
    return 0;
} catch (...) {
    return Failed(__func__, -1);
}

ZELAPI std::int32_t ZelElmGetType(std::int32_t elementId, std::int32_t segmentId)
try {
    HostRooms& h = Entered(__func__);
    std::int32_t owner = 0;
    const Element* element = h.drawing.FindElement(elementId, &owner);
    if (!element)
        return -1;
    if (owner != segmentId)
        h.transcript.Violation("ZelElmGetType with a segment id that is not the element's");
    return element->type;
} catch (...) {
    return Failed(__func__, -1);
}

ZELAPI std::int32_t ZelSgmSearchSegment2(const BoundingBox* window, ElementFilter filter, std::int32_t reserved)
try {
    HostRooms& h = Entered(__func__);
    h.transcript.Call([&] {
        std::string range = window ? TranscriptNumber(window->xmin) + " " + TranscriptNumber(window->ymin) + " " +
                                         TranscriptNumber(window->xmax) + " " + TranscriptNumber(window->ymax)
                                   : std::string("all");
        return "ZelSgmSearchSegment2 " + range + " filter " + Address(reinterpret_cast<const void*>(filter));
    });
    if (auto fault = h.faults.TakeSearch())
        return *fault;
    if (reserved != 0)
        h.transcript.Violation("ZelSgmSearchSegment2 with a third argument other than 0");
    if (!filter) {
        h.transcript.Violation("ZelSgmSearchSegment2 without a filter");
        return -1;
    }
    // The filter's own calls would drown the log.
    bool logging = h.transcript.CallLogging();
    h.transcript.SetCallLogging(false);
    for (const Segment& segment : h.drawing.Segments()) {
        if (segment.deleted)
            continue;
        for (const Element& element : segment.elements) {
            if (window && !Inside(*window, element))
                continue;
            std::int32_t accepted = filter(element.id, segment.id);
            h.commentText.Expire();
            if (accepted == 1)
                h.idLists.Append(segment.id, segment.qualifier);
            else if (accepted != 0)
                h.transcript.Violation("a search filter returned " + std::to_string(accepted));
        }
    }
    h.transcript.SetCallLogging(logging);
    return 0;
} catch (...) {
    return Failed(__func__, -1);
}

ZELAPI std::int32_t ZelSgmGetHeadElementId(std::int32_t segmentId)
try {
    HostRooms& h = Entered(__func__);
    h.transcript.Call([&] { return "ZelSgmGetHeadElementId " + std::to_string(segmentId); });
    if (auto fault = h.faults.heads.find(segmentId); fault != h.faults.heads.end())
        return fault->second;
    const Segment* segment = h.drawing.FindSegment(segmentId);
    if (!segment || segment->elements.empty())
        return -1;
    return segment->elements.front().id;
} catch (...) {
    return Failed(__func__, -1);
}

ZELAPI std::int32_t ZelSgmDeleteSegment(std::int32_t segmentId)
try {
    HostRooms& h = Entered(__func__);
    h.transcript.Call([&] { return "ZelSgmDeleteSegment " + std::to_string(segmentId); });
    if (h.faults.deletes.count(segmentId))
        return -1;
    if (!h.drawing.DeleteSegment(segmentId))
        return -1;
    h.view.Changed();
    return 0;
} catch (...) {
    return Failed(__func__, -1);
}

ZELAPI ZelIdData ZelIddOpenApIdData(std::int32_t kind, std::int32_t mode)
try {
    HostRooms& h = Entered(__func__);
    h.transcript.Call([&] { return "ZelIddOpenApIdData " + std::to_string(kind) + " " + std::to_string(mode); });
    if (h.faults.TakeIdListOpen())
        return nullptr;
    return h.idLists.Open();
} catch (...) {
    return Failed(__func__, nullptr);
}

ZELAPI std::int32_t ZelIddGetHeadApIdData(ZelIdData list, IdListItem* item)
try {
    Entered(__func__);
    Host().transcript.Call([] { return std::string("ZelIddGetHeadApIdData"); });
    return Host().idLists.Step(list, item, true, "ZelIddGetHeadApIdData");
} catch (...) {
    return Failed(__func__, -1);
}

ZELAPI std::int32_t ZelIddGetNextApIdData(ZelIdData list, IdListItem* item)
try {
    Entered(__func__);
    Host().transcript.Call([] { return std::string("ZelIddGetNextApIdData"); });
    return Host().idLists.Step(list, item, false, "ZelIddGetNextApIdData");
} catch (...) {
    return Failed(__func__, -1);
}

ZELAPI std::int32_t ZelIddInitApIdData(ZelIdData list)
try {
    Entered(__func__);
    Host().transcript.Call([] { return std::string("ZelIddInitApIdData"); });
    return Host().idLists.Init(list, "ZelIddInitApIdData") ? 0 : -1;
} catch (...) {
    return Failed(__func__, -1);
}

ZELAPI std::int32_t ZelIddCloseApIdData(ZelIdData list)
try {
    Entered(__func__);
    Host().transcript.Call([] { return std::string("ZelIddCloseApIdData"); });
    return Host().idLists.Close(list, "ZelIddCloseApIdData") ? 0 : -1;
} catch (...) {
    return Failed(__func__, -1);
}

ZELAPI std::int32_t ZelIddClearSysIdData()
try {
    HostRooms& h = Entered(__func__);
    h.transcript.Call([] { return std::string("ZelIddClearSysIdData"); });
    h.idLists.Clear();
    h.view.ClearBlink();
    return 0;
} catch (...) {
    return Failed(__func__, -1);
}

ZELAPI std::int32_t ZelIdSetBlinkSegmentId(const std::int32_t* segment)
try {
    HostRooms& h = Entered(__func__);
    if (!segment) {
        h.transcript.Violation("ZelIdSetBlinkSegmentId with a null pointer");
        return -1;
    }
    h.transcript.Call(
        [&] { return "ZelIdSetBlinkSegmentId " + std::to_string(segment[0]) + "/" + std::to_string(segment[1]); });
    h.view.AddBlink(BlinkEntry{segment[0], segment[1]});
    return 0;
} catch (...) {
    return Failed(__func__, -1);
}

ZELAPI std::int32_t ZelIdDoBlink()
try {
    HostRooms& h = Entered(__func__);
    h.transcript.Call([] { return std::string("ZelIdDoBlink"); });
    std::string line = "blink:";
    for (const BlinkEntry& entry : h.view.Blinking())
        line += " " + std::to_string(entry.qualifier) + "/" + std::to_string(entry.segmentId);
    h.transcript.Say(line);
    h.view.Changed();
    return 0;
} catch (...) {
    return Failed(__func__, -1);
}

ZELAPI std::int32_t ZelFilFitZoom2(double xmin, double ymin, double xmax, double ymax)
try {
    HostRooms& h = Entered(__func__);
    h.transcript.Call([] { return std::string("ZelFilFitZoom2"); });
    h.transcript.Say("zoom: " + TranscriptNumber(xmin) + " " + TranscriptNumber(ymin) + " " + TranscriptNumber(xmax) +
                     " " + TranscriptNumber(ymax));
    h.view.Zoom(BoundingBox{xmin, ymin, xmax, ymax});
    return 0;
} catch (...) {
    return Failed(__func__, -1);
}
