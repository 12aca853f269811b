// The driver: the host application's side of the command protocol, faults and read-back, for
// tests and the host program (ZelHostDriver.h).
#include "zelhost/ZelHostDriver.h"

#include "zelhost/Host.h"
#include "zelhost/HostWindow.h"
#include "zelhost/Pictures.h"
#include "zelhost/Utf8.h"

#include <windows.h>

#include <cstring>

using namespace zelhost;

namespace {

std::int32_t CopyOut(const std::string& text, char* buffer, std::int32_t capacity)
{
    if (buffer && capacity > 0) {
        size_t n = std::min(text.size(), static_cast<size_t>(capacity - 1));
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
    }
    return static_cast<std::int32_t>(text.size());
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

// Runs a drawing operation; 0, or 1 with the reason kept for ZhdGetLastError.
template <class Operation>
std::int32_t Reported(Operation operation)
{
    try {
        operation();
        return 0;
    } catch (const std::exception& e) {
        Host().lastError = e.what();
        return 1;
    }
}

}  // namespace

ZHDAPI void ZhdReset()
{
    Host().Reset();
    ClearKeyinLine();
}

ZHDAPI std::int32_t ZhdLoadDrawingJson(const char* utf8Json)
{
    return Reported([&] {
        Host().drawing.LoadJson(utf8Json ? utf8Json : "");
        Host().view.Changed();
    });
}

ZHDAPI std::int32_t ZhdLoadDrawingFile(const wchar_t* path)
{
    return Reported([&] {
        Host().drawing.LoadFile(path ? path : L"");
        Host().view.Changed();
    });
}

ZHDAPI std::int32_t ZhdAddSegment(std::int32_t segmentId, std::int32_t qualifier, std::int32_t elementId,
                                  std::int32_t type, double x, double y, const wchar_t* text)
{
    return Reported([&] {
        Segment segment;
        segment.id = segmentId;
        segment.qualifier = qualifier;
        segment.elements.push_back(Element{elementId, type, x, y, text ? text : L"", nullptr});
        Host().drawing.AddSegment(std::move(segment));
    });
}

ZHDAPI std::int32_t ZhdSaveDrawingFile(const wchar_t* path)
{
    return Reported([&] { Host().drawing.SaveFile(path ? path : L""); });
}

ZHDAPI std::int32_t ZhdIsRegistered() { return Host().protocol.Registered(); }
ZHDAPI std::int32_t ZhdCallUnload() { return Host().protocol.CallUnload(); }
ZHDAPI std::int32_t ZhdCallSecond() { return Host().protocol.CallSecond(); }
ZHDAPI std::int32_t ZhdStartCommand() { return Host().StartCommand(); }
ZHDAPI std::int32_t ZhdStartAt(ZelReadyFunc ready) { return ready ? Host().StartCommand(ready) : -1; }
ZHDAPI std::int32_t ZhdIsCommandRunning() { return Host().protocol.Running(); }
ZHDAPI std::int32_t ZhdStartTextCommand() { return Host().StartTextCommand(); }
ZHDAPI std::int32_t ZhdIsTextCommandRunning() { return Host().textCommand.Running(); }
ZHDAPI std::int32_t ZhdCancelCommand() { return Host().CancelCommand(); }

ZHDAPI std::int32_t ZhdSendPick(std::int32_t elementId)
{
    HostEvent event;
    event.kind = ElementPick;
    event.elementId = elementId;
    event.hasPoint = true;
    if (const Element* element = Host().drawing.FindElement(elementId)) {
        event.x = element->x;
        event.y = element->y;
    }
    return Host().Deliver(std::move(event));
}

ZHDAPI std::int32_t ZhdSendPoint(double x, double y)
{
    HostEvent event;
    event.kind = DataPoint;
    event.hasPoint = true;
    event.x = x;
    event.y = y;
    return Host().Deliver(std::move(event));
}

ZHDAPI std::int32_t ZhdSendKeyin(const wchar_t* text)
{
    HostEvent event;
    event.kind = KeyIn;
    event.text = text ? text : L"";
    return Host().Deliver(std::move(event));
}

ZHDAPI std::int32_t ZhdSendConfirm()
{
    HostEvent event;
    event.kind = Confirm;
    return Host().Deliver(std::move(event));
}

ZHDAPI std::int32_t ZhdSendEvent(std::int32_t kind)
{
    HostEvent event;
    event.kind = kind;
    return Host().Deliver(std::move(event));
}

ZHDAPI void ZhdFaultRegister(std::int32_t result) { Host().faults.registerResult = result; }
ZHDAPI void ZhdFaultComment(std::int32_t elementId, std::int32_t result)
{
    Host().faults.comments[elementId] = Faults::Comment{result, false};
}
ZHDAPI void ZhdFaultCommentNullText(std::int32_t elementId)
{
    Host().faults.comments[elementId] = Faults::Comment{0, true};
}
ZHDAPI void ZhdFaultDelete(std::int32_t segmentId) { Host().faults.deletes.insert(segmentId); }
ZHDAPI void ZhdFaultSearch(std::int32_t n, std::int32_t result)
{
    Faults& faults = Host().faults;
    faults.searches[faults.searchesMade + n] = result;
}
ZHDAPI void ZhdFaultGetPoint(std::int32_t result) { Host().faults.nextGetPoint = result; }
ZHDAPI void ZhdFaultKeyinNull() { Host().faults.nextKeyinNull = true; }
ZHDAPI void ZhdFaultHeadElement(std::int32_t segmentId, std::int32_t elementId)
{
    Host().faults.heads[segmentId] = elementId;
}

ZHDAPI std::int32_t ZhdSnapshotView(const wchar_t* path, std::int32_t width, std::int32_t height)
{
    if (path && SnapshotView(Host().view, width, height, path))
        return 0;
    Host().lastError = "cannot write the picture";
    return 1;
}

ZHDAPI void ZhdQueueDialogAnswer(const char* answer) { Host().dialogs.Queue(answer ? answer : ""); }
ZHDAPI std::int32_t ZhdPendingDialogAnswers() { return static_cast<std::int32_t>(Host().dialogs.Pending()); }
ZHDAPI void ZhdWatchDialogs(std::int32_t enabled) { Host().dialogs.Watch(enabled != 0); }

ZHDAPI std::int32_t ZhdTakeDialogFailure(char* buffer, std::int32_t capacity)
{
    // Asked for its length only, the reason stays.
    return buffer ? CopyOut(Host().dialogs.TakeFailure(), buffer, capacity)
                  : static_cast<std::int32_t>(Host().dialogs.Failure().size());
}

ZHDAPI std::int32_t ZhdGetTranscript(char* buffer, std::int32_t capacity)
{
    return CopyOut(Joined(Host().transcript.Lines()), buffer, capacity);
}
ZHDAPI std::int32_t ZhdGetCallLog(char* buffer, std::int32_t capacity)
{
    return CopyOut(Joined(Host().transcript.Calls()), buffer, capacity);
}
ZHDAPI std::int32_t ZhdGetViolations(char* buffer, std::int32_t capacity)
{
    return CopyOut(Joined(Host().transcript.Violations()), buffer, capacity);
}
ZHDAPI std::int32_t ZhdGetLastError(char* buffer, std::int32_t capacity)
{
    return CopyOut(Host().lastError, buffer, capacity);
}
ZHDAPI std::int32_t ZhdGetPrompt(char* buffer, std::int32_t capacity)
{
    return CopyOut(Utf8FromWide(Host().view.Lines().prompt), buffer, capacity);
}
ZHDAPI std::int32_t ZhdGetDrawingJson(char* buffer, std::int32_t capacity)
{
    return CopyOut(Host().drawing.SaveJson(), buffer, capacity);
}

ZHDAPI void ZhdSetCallLogging(std::int32_t enabled) { Host().transcript.SetCallLogging(enabled != 0); }
ZHDAPI void ZhdSetEcho(std::int32_t enabled) { Host().transcript.SetEcho(enabled != 0); }
ZHDAPI void ZhdSetKeepTranscript(std::int32_t enabled) { Host().transcript.SetKeeping(enabled != 0); }
ZHDAPI void ZhdSetModalMessageBoxes(std::int32_t enabled) { Host().modalMessageBoxes = enabled != 0; }
