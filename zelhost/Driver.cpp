// The driver: the host application's side of the command protocol, faults and read-back, for
// tests and the host program (ZelHostDriver.h).
#include "zelhost/ZelHostDriver.h"

#include "zelhost/Host.h"
#include "zelhost/HostKeyin.h"
#include "zelhost/HostWindow.h"
#include "zelhost/Palette.h"
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
try {
    Host().Reset();
    ClearKeyinLine();
    DropWaitingKeyins();
    std::wstring left;
    ClosePalette(left);
    ApplyHostKind();
} catch (...) {
    Failed(__func__);
}

ZHDAPI std::int32_t ZhdSetHostKind(const char* setting)
try {
    std::string refused = SetHostKind(Host().kind, setting ? setting : "");
    if (!refused.empty()) {
        Host().lastError = refused;
        return 1;
    }
    ApplyHostKind();
    return 0;
} catch (...) {
    return Failed(__func__, -1);
}

ZHDAPI std::int32_t ZhdCheckHostKind(const char* setting)
try {
    HostKind scratch;
    Host().lastError = SetHostKind(scratch, setting ? setting : "");
    return Host().lastError.empty() ? 0 : 1;
} catch (...) {
    return Failed(__func__, -1);
}

ZHDAPI std::int32_t ZhdGetHostKinds(char* buffer, std::int32_t capacity)
try {
    return CopyOut(HostKindHelp(), buffer, capacity);
} catch (...) {
    return Failed(__func__, 0);
}

ZHDAPI std::int32_t ZhdClosePalette()
try {
    std::wstring text;
    if (!ClosePalette(text))
        return -1;
    Host().transcript.Say("palette: " + Utf8FromWide(text));
    return 0;
} catch (...) {
    return Failed(__func__, -1);
}

ZHDAPI std::int32_t ZhdIsPaletteInFront()
try {
    return PaletteInFront();
} catch (...) {
    return Failed(__func__, 0);
}

ZHDAPI std::int32_t ZhdLoadDrawingJson(const char* utf8Json)
try {
    return Reported([&] {
        Host().drawing.LoadJson(utf8Json ? utf8Json : "");
        Host().view.Changed();
    });
} catch (...) {
    return Failed(__func__, -1);
}

ZHDAPI std::int32_t ZhdLoadDrawingFile(const wchar_t* path)
try {
    return Reported([&] {
        Host().drawing.LoadFile(path ? path : L"");
        Host().view.Changed();
    });
} catch (...) {
    return Failed(__func__, -1);
}

ZHDAPI std::int32_t ZhdAddSegment(std::int32_t segmentId, std::int32_t qualifier, std::int32_t elementId,
                                  std::int32_t type, double x, double y, const wchar_t* text)
try {
    return Reported([&] {
        Segment segment;
        segment.id = segmentId;
        segment.qualifier = qualifier;
        segment.elements.push_back(Element{elementId, type, x, y, text ? text : L"", nullptr});
        Host().drawing.AddSegment(std::move(segment));
    });
} catch (...) {
    return Failed(__func__, -1);
}

ZHDAPI std::int32_t ZhdSaveDrawingFile(const wchar_t* path)
try {
    return Reported([&] { Host().drawing.SaveFile(path ? path : L""); });
} catch (...) {
    return Failed(__func__, -1);
}

ZHDAPI std::int32_t ZhdIsRegistered()
try {
    return Host().protocol.Registered();
} catch (...) {
    return Failed(__func__, -1);
}
ZHDAPI std::int32_t ZhdCallUnload()
try {
    return Host().protocol.CallUnload();
} catch (...) {
    return Failed(__func__, -1);
}
ZHDAPI std::int32_t ZhdCallSecond()
try {
    return Host().protocol.CallSecond();
} catch (...) {
    return Failed(__func__, -1);
}
ZHDAPI std::int32_t ZhdStartCommand()
try {
    return Host().StartCommand();
} catch (...) {
    return Failed(__func__, -1);
}
ZHDAPI std::int32_t ZhdStartAt(ZelReadyFunc ready)
try {
    return ready ? Host().StartCommand(ready) : -1;
} catch (...) {
    return Failed(__func__, -1);
}
ZHDAPI std::int32_t ZhdIsCommandRunning()
try {
    return Host().protocol.Running();
} catch (...) {
    return Failed(__func__, -1);
}
ZHDAPI std::int32_t ZhdStartTextCommand()
try {
    return Host().StartTextCommand();
} catch (...) {
    return Failed(__func__, -1);
}
ZHDAPI std::int32_t ZhdIsTextCommandRunning()
try {
    return Host().textCommand.Running();
} catch (...) {
    return Failed(__func__, -1);
}
ZHDAPI std::int32_t ZhdCancelCommand()
try {
    return Host().CancelCommand();
} catch (...) {
    return Failed(__func__, -1);
}

ZHDAPI std::int32_t ZhdSendPick(std::int32_t elementId)
try {
    HostEvent event;
    event.kind = ElementPick;
    event.elementId = elementId;
    event.hasPoint = true;
    if (const Element* element = Host().drawing.FindElement(elementId)) {
        event.x = element->x;
        event.y = element->y;
    }
    return Host().Deliver(std::move(event));
} catch (...) {
    return Failed(__func__, -1);
}

ZHDAPI std::int32_t ZhdSendPoint(double x, double y)
try {
    HostEvent event;
    event.kind = DataPoint;
    event.hasPoint = true;
    event.x = x;
    event.y = y;
    return Host().Deliver(std::move(event));
} catch (...) {
    return Failed(__func__, -1);
}

ZHDAPI std::int32_t ZhdSendKeyin(const wchar_t* text)
try {
    HostEvent event;
    event.kind = KeyIn;
    event.text = text ? text : L"";
    return Host().Deliver(std::move(event));
} catch (...) {
    return Failed(__func__, -1);
}

ZHDAPI std::int32_t ZhdSendConfirm()
try {
    HostEvent event;
    event.kind = Confirm;
    return Host().Deliver(std::move(event));
} catch (...) {
    return Failed(__func__, -1);
}

ZHDAPI std::int32_t ZhdSendEvent(std::int32_t kind)
try {
    HostEvent event;
    event.kind = kind;
    return Host().Deliver(std::move(event));
} catch (...) {
    return Failed(__func__, -1);
}

ZHDAPI void ZhdFaultRegister(std::int32_t result)
try {
    Host().faults.registerResult = result;
} catch (...) {
    Failed(__func__);
}
ZHDAPI void ZhdFaultComment(std::int32_t elementId, std::int32_t result)
try {
    Host().faults.comments[elementId] = Faults::Comment{result, false};
} catch (...) {
    Failed(__func__);
}
ZHDAPI void ZhdFaultCommentNullText(std::int32_t elementId)
try {
    Host().faults.comments[elementId] = Faults::Comment{0, true};
} catch (...) {
    Failed(__func__);
}
ZHDAPI void ZhdFaultDelete(std::int32_t segmentId)
try {
    Host().faults.deletes.insert(segmentId);
} catch (...) {
    Failed(__func__);
}
ZHDAPI void ZhdFaultSearch(std::int32_t n, std::int32_t result)
try {
    Faults& faults = Host().faults;
    faults.searches[faults.searchesMade + n] = result;
} catch (...) {
    Failed(__func__);
}
ZHDAPI void ZhdFaultIdListOpen(std::int32_t n)
try {
    Faults& faults = Host().faults;
    faults.idListOpens.insert(faults.idListOpensMade + n);
} catch (...) {
    Failed(__func__);
}
ZHDAPI void ZhdFaultInside(const char* function)
try {
    Host().faults.failInside = function ? function : "";
} catch (...) {
    Failed(__func__);
}
ZHDAPI void ZhdFaultGetPoint(std::int32_t result)
try {
    Host().faults.nextGetPoint = result;
} catch (...) {
    Failed(__func__);
}
ZHDAPI void ZhdFaultKeyinNull()
try {
    Host().faults.nextKeyinNull = true;
} catch (...) {
    Failed(__func__);
}
ZHDAPI void ZhdFaultHeadElement(std::int32_t segmentId, std::int32_t elementId)
try {
    Host().faults.heads[segmentId] = elementId;
} catch (...) {
    Failed(__func__);
}

ZHDAPI std::int32_t ZhdSnapshotView(const wchar_t* path, std::int32_t width, std::int32_t height)
try {
    if (path && SnapshotView(Host().view, width, height, path))
        return 0;
    Host().lastError = "cannot write the picture";
    return 1;
} catch (...) {
    return Failed(__func__, -1);
}

ZHDAPI void ZhdQueueDialogAnswer(const char* answer)
try {
    Host().dialogs.Queue(answer ? answer : "");
} catch (...) {
    Failed(__func__);
}
ZHDAPI std::int32_t ZhdPendingDialogAnswers()
try {
    return static_cast<std::int32_t>(Host().dialogs.Pending());
} catch (...) {
    return Failed(__func__, -1);
}
ZHDAPI void ZhdWatchDialogs(std::int32_t enabled)
try {
    Host().dialogs.Watch(enabled != 0);
} catch (...) {
    Failed(__func__);
}

ZHDAPI std::int32_t ZhdTakeDialogFailure(char* buffer, std::int32_t capacity)
try {
    // Asked for its length only, the reason stays.
    return buffer ? CopyOut(Host().dialogs.TakeFailure(), buffer, capacity)
                  : static_cast<std::int32_t>(Host().dialogs.Failure().size());
} catch (...) {
    return Failed(__func__, 0);
}

ZHDAPI std::int32_t ZhdGetTranscript(char* buffer, std::int32_t capacity)
try {
    return CopyOut(Joined(Host().transcript.Lines()), buffer, capacity);
} catch (...) {
    return Failed(__func__, 0);
}
ZHDAPI std::int32_t ZhdGetCallLog(char* buffer, std::int32_t capacity)
try {
    return CopyOut(Joined(Host().transcript.Calls()), buffer, capacity);
} catch (...) {
    return Failed(__func__, 0);
}
ZHDAPI std::int32_t ZhdGetViolations(char* buffer, std::int32_t capacity)
try {
    return CopyOut(Joined(Host().transcript.Violations()), buffer, capacity);
} catch (...) {
    return Failed(__func__, 0);
}
ZHDAPI std::int32_t ZhdGetLastError(char* buffer, std::int32_t capacity)
try {
    return CopyOut(Host().lastError, buffer, capacity);
} catch (...) {
    return Failed(__func__, 0);
}
ZHDAPI std::int32_t ZhdGetPrompt(char* buffer, std::int32_t capacity)
try {
    return CopyOut(Utf8FromWide(Host().view.Lines().prompt), buffer, capacity);
} catch (...) {
    return Failed(__func__, 0);
}
ZHDAPI std::int32_t ZhdGetStatusBar(char* buffer, std::int32_t capacity)
try {
    return CopyOut(Utf8FromWide(Host().view.StatusBarText()), buffer, capacity);
} catch (...) {
    return Failed(__func__, 0);
}
ZHDAPI std::int32_t ZhdGetDrawingJson(char* buffer, std::int32_t capacity)
try {
    return CopyOut(Host().drawing.SaveJson(), buffer, capacity);
} catch (...) {
    return Failed(__func__, 0);
}

ZHDAPI void ZhdSetCallLogging(std::int32_t enabled)
try {
    Host().transcript.SetCallLogging(enabled != 0);
} catch (...) {
    Failed(__func__);
}
ZHDAPI void ZhdSetEcho(std::int32_t enabled)
try {
    Host().transcript.SetEcho(enabled != 0);
} catch (...) {
    Failed(__func__);
}
ZHDAPI void ZhdSetKeepTranscript(std::int32_t enabled)
try {
    Host().transcript.SetKeeping(enabled != 0);
} catch (...) {
    Failed(__func__);
}
ZHDAPI void ZhdSetModalMessageBoxes(std::int32_t enabled)
try {
    Host().modalMessageBoxes = enabled != 0;
} catch (...) {
    Failed(__func__);
}
ZHDAPI void ZhdSetTranscribeWindowInput(std::int32_t enabled)
try {
    Host().transcribeWindowInput = enabled != 0;
} catch (...) {
    Failed(__func__);
}
