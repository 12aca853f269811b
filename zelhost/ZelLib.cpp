// The stand-in host's ZelLib: the API a plug-in sees, and the driver that plays the host.
// It is strict on purpose: texts handed out are scrubbed as soon as they expire, protocol
// breaches are recorded as violations, and every result the plug-in examines can be faulted.
#include "../host/ZelLib.h"
#include "Drawing.h"
#include "HostState.h"
#include "ZelHostDriver.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace zelhost {

HostState& Host()
{
    static HostState state;
    return state;
}

namespace {

// What an expired host text reads as: recognisable, and never a valid search word.
constexpr wchar_t ScrubChar = L'\xFFFD';

std::string Number(double value)
{
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    return buffer;
}

std::string Quote(const wchar_t* text) { return text ? "\"" + Utf8FromWide(text) + "\"" : "null"; }

}  // namespace

void HostState::Log(const std::string& line)
{
    if (callLogging)
        callLog.push_back(line);
}

void HostState::Say(const std::string& line)
{
    transcript.push_back(line);
    if (echo) {
        std::string out = line + "\n";
        std::fwrite(out.data(), 1, out.size(), stdout);
        std::fflush(stdout);
    }
}

void HostState::Violation(const std::string& what)
{
    violations.push_back(what);
    Say("violation: " + what);
}

void HostText::Set(const std::wstring& text)
{
    Scrub();
    if (text.size() + 1 > buffer.size()) {
        // Keep the old storage alive (scrubbed) so a kept pointer reads garbage, not freed memory.
        if (!buffer.empty())
            retired.push_back(std::move(buffer));
        buffer.assign(std::max<size_t>(text.size() + 1, 256), ScrubChar);
    }
    std::copy(text.begin(), text.end(), buffer.begin());
    buffer[text.size()] = L'\0';
    length = text.size();
    live = true;
}

void HostText::Scrub()
{
    if (!live)
        return;
    std::fill(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(length), ScrubChar);
    live = false;
}

void HostState::ScrubTexts()
{
    commentText.Scrub();
    keyinText.Scrub();
}

void HostState::ResetRun()
{
    running = false;
    ready = nullptr;
    execute = nullptr;
    blinkSet.clear();
    currentEvent = nullptr;
}

}  // namespace zelhost

using namespace zelhost;

// ---------------------------------------------------------------------------------------------
// ZelLib, the plug-in's side

ZELAPI std::int32_t ZelCtlRegisterZelLib2(ZelStartFunc start, ZelSecondFunc second, ZelUnloadFunc unload)
{
    HostState& h = Host();
    h.Log("ZelCtlRegisterZelLib2");
    if (!start || !unload)
        h.Violation("ZelCtlRegisterZelLib2 without a start or unload function");
    h.start = start;
    h.second = second;
    h.unload = unload;
    return h.registerResult;
}

static void CheckReserved(const char* function, const wchar_t* reserved)
{
    if (!reserved || *reserved)
        Host().Violation(std::string(function) + " with a second argument other than the empty text");
}

ZELAPI std::int32_t ZelCtlSetReadyFunc(ZelReadyFunc ready, const wchar_t* reserved)
{
    HostState& h = Host();
    h.Log("ZelCtlSetReadyFunc");
    CheckReserved("ZelCtlSetReadyFunc", reserved);
    h.ready = ready;
    h.readySetInCallback = true;
    return 0;
}

ZELAPI std::int32_t ZelCtlSetExecuteFunc(ZelExecuteFunc execute, const wchar_t* reserved)
{
    HostState& h = Host();
    h.Log("ZelCtlSetExecuteFunc");
    CheckReserved("ZelCtlSetExecuteFunc", reserved);
    h.execute = execute;
    h.executeSetInCallback = true;
    return 0;
}

ZELAPI std::int32_t ZelEvtSetEventMask(std::int32_t mask)
{
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "ZelEvtSetEventMask 0x%X", static_cast<unsigned>(mask));
    Host().Log(buffer);
    return 0;
}

ZELAPI std::int32_t ZelEvtSetObject(const ObjectFilterRecord* filter)
{
    HostState& h = Host();
    if (!filter) {
        h.Violation("ZelEvtSetObject with a null record");
        return -1;
    }
    std::string line = "ZelEvtSetObject";
    for (std::int32_t v : filter->values)
        line += " " + std::to_string(v);
    h.Log(line);
    return 0;
}

ZELAPI std::int32_t ZelEvtSetEcho(const EchoRecord* echo)
{
    HostState& h = Host();
    if (!echo) {
        h.Violation("ZelEvtSetEcho with a null record");
        return -1;
    }
    h.Log("ZelEvtSetEcho " + std::to_string(echo->kind) + " " + Number(echo->x) + " " + Number(echo->y));
    return 0;
}

static HostEvent* CheckEvent(const char* function, std::int32_t kind, ZelEvent event)
{
    HostState& h = Host();
    auto* e = reinterpret_cast<HostEvent*>(event);
    if (!e || e != h.currentEvent) {
        h.Violation(std::string(function) + " with an event handle that is not the current event");
        return nullptr;
    }
    if (kind != e->kind)
        h.Violation(std::string(function) + " with a kind other than the event's");
    return e;
}

ZELAPI std::int32_t ZelEvtGetPoint(std::int32_t kind, ZelEvent event, EventPoint* point)
{
    HostState& h = Host();
    h.Log("ZelEvtGetPoint " + std::to_string(kind));
    HostEvent* e = CheckEvent("ZelEvtGetPoint", kind, event);
    if (h.getPointFault) {
        std::int32_t result = *h.getPointFault;
        h.getPointFault.reset();
        return result;
    }
    if (!e || !e->hasPoint)
        return 1;
    if (point)
        *point = EventPoint{e->x, e->y};
    return 0;
}

ZELAPI std::int32_t ZelEvtGetElementId(std::int32_t kind, ZelEvent event)
{
    Host().Log("ZelEvtGetElementId " + std::to_string(kind));
    HostEvent* e = CheckEvent("ZelEvtGetElementId", kind, event);
    return e && e->kind == ElementPick ? e->elementId : -1;
}

ZELAPI const wchar_t* ZelEvtGetKeyinString(std::int32_t kind, ZelEvent event)
{
    HostState& h = Host();
    h.Log("ZelEvtGetKeyinString " + std::to_string(kind));
    HostEvent* e = CheckEvent("ZelEvtGetKeyinString", kind, event);
    if (h.keyinNullFault) {
        h.keyinNullFault = false;
        return nullptr;
    }
    h.keyinText.Set(e ? e->text : std::wstring());
    return h.keyinText.buffer.data();
}

static std::int32_t Show(const char* function, const char* label, const wchar_t* text)
{
    HostState& h = Host();
    if (!text) {
        h.Violation(std::string(function) + " with a null text");
        return -1;
    }
    h.Log(std::string(function) + " " + Quote(text));
    h.Say(std::string(label) + ": " + Utf8FromWide(text));
    return 0;
}

ZELAPI std::int32_t ZelMsgPutMessage(const wchar_t* text)
{
    std::int32_t r = Show("ZelMsgPutMessage", "prompt", text);
    if (text)
        Host().prompt = text;
    return r;
}

ZELAPI std::int32_t ZelMsgPutCursorMessage(const wchar_t* text)
{
    return Show("ZelMsgPutCursorMessage", "cursor", text);
}
ZELAPI std::int32_t ZelMsgPutErrorMessage(const wchar_t* text) { return Show("ZelMsgPutErrorMessage", "error", text); }

ZELAPI std::int32_t ZelMsgPutInfoMessage(const wchar_t* text)
{
    std::int32_t r = Show("ZelMsgPutInfoMessage", "info", text);
    if (text)
        Host().info = text;
    return r;
}

ZELAPI std::int32_t ZelDlgMessageBox(const wchar_t* text)
{
    HostState& h = Host();
    if (Show("ZelDlgMessageBox", "messagebox", text) != 0 || !h.modalMessageBoxes)
        return IDOK;
    return MessageBoxW(h.window, text, L"Zel host", MB_OK);
}

ZELAPI std::int32_t ZelCmtGetComment(std::int32_t elementId, CommentRecord* record)
{
    HostState& h = Host();
    if (h.callLogging)
        h.Log("ZelCmtGetComment " + std::to_string(elementId));
    if (!record) {
        h.Violation("ZelCmtGetComment with a null record");
        return -1;
    }
    if (!h.commentFaults.empty()) {
        auto fault = h.commentFaults.find(elementId);
        if (fault != h.commentFaults.end()) {
            // A record the host does not fill holds whatever bytes were there.
            std::memset(record, 0xCD, sizeof *record);
            if (fault->second.nullText) {
                record->text = nullptr;
                return 0;
            }
            return fault->second.result;
        }
    }
    Element* element = h.drawing.FindElement(elementId);
    if (!element || element->type != AnnotationElementType)
        return -1;
    h.commentText.Set(element->text);
    std::memset(record, 0xCD, sizeof *record);  // the bytes the plug-in must not rely on
    record->x = element->x;
    record->y = element->y;
    record->text = h.commentText.buffer.data();
    return 0;
}

ZELAPI std::int32_t ZelCmtSetNote(std::int32_t elementId, std::int32_t reserved, const wchar_t* text)
{
    HostState& h = Host();
    h.Log("ZelCmtSetNote " + std::to_string(elementId) + " " + std::to_string(reserved) + " " + Quote(text));
    if (reserved != 0)
        h.Violation("ZelCmtSetNote with a second argument other than 0");
    if (!text) {
        h.Violation("ZelCmtSetNote with a null text");
        return -1;
    }
    Element* element = h.drawing.FindElement(elementId);
    if (!element || element->type != AnnotationElementType)
        return -1;
    element->text = text;
    return 0;
}

ZELAPI std::int32_t ZelElmGetType(std::int32_t elementId, std::int32_t segmentId)
{
    HostState& h = Host();
    std::int32_t owner = 0;
    Element* element = h.drawing.FindElement(elementId, &owner);
    if (!element)
        return -1;
    if (owner != segmentId)
        h.Violation("ZelElmGetType with a segment id that is not the element's");
    return element->type;
}

static bool Inside(const BoundingBox& w, const Element& e)
{
    return e.x >= w.xmin && e.x <= w.xmax && e.y >= w.ymin && e.y <= w.ymax;
}

ZELAPI std::int32_t ZelSgmSearchSegment2(const BoundingBox* window, ElementFilter filter, std::int32_t reserved)
{
    HostState& h = Host();
    h.Log(window ? "ZelSgmSearchSegment2 " + Number(window->xmin) + " " + Number(window->ymin) + " " +
                       Number(window->xmax) + " " + Number(window->ymax)
                 : std::string("ZelSgmSearchSegment2 all"));
    ++h.searchNumber;
    if (auto fault = h.searchFaults.find(h.searchNumber); fault != h.searchFaults.end())
        return fault->second;
    if (reserved != 0)
        h.Violation("ZelSgmSearchSegment2 with a third argument other than 0");
    if (!filter) {
        h.Violation("ZelSgmSearchSegment2 without a filter");
        return -1;
    }
    BoundingBox box = window ? *window : BoundingBox{};
    bool wasLogging = h.callLogging;
    h.callLogging = false;  // the filter's own calls would drown the log
    for (Segment& segment : h.drawing.Segments()) {
        if (segment.deleted)
            continue;
        for (Element& element : segment.elements) {
            if (window && !Inside(box, element))
                continue;
            std::int32_t accepted = filter(element.id, segment.id);
            h.ScrubTexts();
            if (accepted == 1 && h.inIdList.insert(segment.id).second)
                h.idList.push_back(IdListEntry{segment.id, segment.qualifier});
            else if (accepted != 0 && accepted != 1)
                h.Violation("a search filter returned " + std::to_string(accepted));
        }
    }
    h.callLogging = wasLogging;
    return 0;
}

ZELAPI std::int32_t ZelSgmGetHeadElementId(std::int32_t segmentId)
{
    HostState& h = Host();
    h.Log("ZelSgmGetHeadElementId " + std::to_string(segmentId));
    if (auto fault = h.headFaults.find(segmentId); fault != h.headFaults.end())
        return fault->second;
    Segment* segment = h.drawing.FindSegment(segmentId);
    if (!segment || segment->elements.empty())
        return -1;
    return segment->elements.front().id;
}

ZELAPI std::int32_t ZelSgmDeleteSegment(std::int32_t segmentId)
{
    HostState& h = Host();
    h.Log("ZelSgmDeleteSegment " + std::to_string(segmentId));
    if (h.deleteFaults.count(segmentId))
        return -1;
    Segment* segment = h.drawing.FindSegment(segmentId);
    if (!segment)
        return -1;
    segment->deleted = true;
    return 0;
}

static IdCursor* CheckList(const char* function, ZelIdData list)
{
    HostState& h = Host();
    auto index = reinterpret_cast<std::uintptr_t>(list);
    if (index == 0 || index > h.cursors.size() || !h.cursors[index - 1].open) {
        h.Violation(std::string(function) + " with an id list that is not open");
        return nullptr;
    }
    return &h.cursors[index - 1];
}

ZELAPI ZelIdData ZelIddOpenApIdData(std::int32_t kind, std::int32_t mode)
{
    HostState& h = Host();
    h.Log("ZelIddOpenApIdData " + std::to_string(kind) + " " + std::to_string(mode));
    h.cursors.push_back(IdCursor{0, true});
    return reinterpret_cast<ZelIdData>(static_cast<std::uintptr_t>(h.cursors.size()));
}

static std::int32_t ReadItem(IdCursor* cursor, IdListItem* item)
{
    HostState& h = Host();
    if (!cursor || cursor->position >= h.idList.size())
        return -1;
    std::memset(item, 0xCD, sizeof *item);
    item->segmentId = h.idList[cursor->position].segmentId;
    item->qualifier = h.idList[cursor->position].qualifier;
    return 0;
}

ZELAPI std::int32_t ZelIddGetHeadApIdData(ZelIdData list, IdListItem* item)
{
    Host().Log("ZelIddGetHeadApIdData");
    IdCursor* cursor = CheckList("ZelIddGetHeadApIdData", list);
    if (cursor)
        cursor->position = 0;
    return ReadItem(cursor, item);
}

ZELAPI std::int32_t ZelIddGetNextApIdData(ZelIdData list, IdListItem* item)
{
    Host().Log("ZelIddGetNextApIdData");
    IdCursor* cursor = CheckList("ZelIddGetNextApIdData", list);
    if (cursor)
        ++cursor->position;
    return ReadItem(cursor, item);
}

ZELAPI std::int32_t ZelIddInitApIdData(ZelIdData list)
{
    HostState& h = Host();
    h.Log("ZelIddInitApIdData");
    if (!CheckList("ZelIddInitApIdData", list))
        return -1;
    h.idList.clear();
    h.inIdList.clear();
    return 0;
}

ZELAPI std::int32_t ZelIddCloseApIdData(ZelIdData list)
{
    Host().Log("ZelIddCloseApIdData");
    IdCursor* cursor = CheckList("ZelIddCloseApIdData", list);
    if (!cursor)
        return -1;
    cursor->open = false;
    return 0;
}

ZELAPI std::int32_t ZelIddClearSysIdData()
{
    HostState& h = Host();
    h.Log("ZelIddClearSysIdData");
    h.idList.clear();
    h.inIdList.clear();
    h.blinkSet.clear();
    return 0;
}

ZELAPI std::int32_t ZelIdSetBlinkSegmentId(const std::int32_t* segment)
{
    HostState& h = Host();
    if (!segment) {
        h.Violation("ZelIdSetBlinkSegmentId with a null pointer");
        return -1;
    }
    h.Log("ZelIdSetBlinkSegmentId " + std::to_string(segment[0]) + "/" + std::to_string(segment[1]));
    h.blinkSet.push_back(IdListEntry{segment[1], segment[0]});
    return 0;
}

ZELAPI std::int32_t ZelIdDoBlink()
{
    HostState& h = Host();
    h.Log("ZelIdDoBlink");
    std::string line = "blink:";
    for (const IdListEntry& e : h.blinkSet)
        line += " " + std::to_string(e.qualifier) + "/" + std::to_string(e.segmentId);
    h.Say(line);
    h.InvalidateView();
    return 0;
}

ZELAPI std::int32_t ZelFilFitZoom2(double xmin, double ymin, double xmax, double ymax)
{
    HostState& h = Host();
    h.Log("ZelFilFitZoom2");
    h.Say("zoom: " + Number(xmin) + " " + Number(ymin) + " " + Number(xmax) + " " + Number(ymax));
    h.view = BoundingBox{xmin, ymin, xmax, ymax};
    h.hasView = true;
    h.InvalidateView();
    return 0;
}
