// The driver: the host application's side of the command protocol, faults and read-back.
#include "HostState.h"
#include "ZelHostDriver.h"

#include <windows.h>

#include <cstdio>
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

const char* ResultName(std::int32_t result)
{
    switch (result) {
    case finish:
        return "finish";
    case advance:
        return "advance";
    case stay:
        return "stay";
    default:
        return nullptr;
    }
}

// Calls the ready function that the last execute function registered.
void RunReady()
{
    HostState& h = Host();
    ZelReadyFunc ready = h.ready;
    h.executeSetInCallback = false;
    std::int32_t r = ready();
    h.ScrubTexts();
    if (r != 0)
        h.Violation("a ready function returned " + std::to_string(r));
    if (!h.executeSetInCallback) {
        h.Violation("a ready function registered no execute function");
        h.ResetRun();
    }
}

std::int32_t Deliver(HostEvent event)
{
    HostState& h = Host();
    if (!h.running || !h.execute) {
        h.Violation("an event arrived while no command was waiting for one");
        return -1;
    }
    h.Log("event " + std::to_string(event.kind) +
          (event.kind == KeyIn ? " \"" + Utf8FromWide(event.text) + "\"" : std::string()));
    h.currentEvent = &event;
    h.readySetInCallback = false;
    h.executeSetInCallback = false;
    std::int32_t r = h.execute(event.kind, reinterpret_cast<ZelEvent>(&event));
    h.currentEvent = nullptr;
    h.ScrubTexts();

    const char* name = ResultName(r);
    if (!name) {
        h.Violation("an execute function returned " + std::to_string(r));
        h.ResetRun();
        return r;
    }
    h.Say(std::string("result: ") + name);
    if (r == finish) {
        h.ResetRun();
        h.InvalidateView();
    } else if (r == advance) {
        if (h.readySetInCallback)
            RunReady();
        else {
            h.Violation("advance without a new ready function");
            h.ResetRun();
        }
    }
    return r;
}

}  // namespace

ZHDAPI void ZhdReset()
{
    HostState& h = Host();
    HWND window = h.window;
    HWND keyinLine = h.keyinLine;
    if (h.dialogTimer)
        KillTimer(nullptr, h.dialogTimer);
    h = HostState{};
    h.window = window;
    h.keyinLine = keyinLine;
    if (keyinLine)
        SetWindowTextW(keyinLine, L"");
}

ZHDAPI std::int32_t ZhdLoadDrawingJson(const char* utf8Json)
{
    HostState& h = Host();
    try {
        h.drawing.LoadJson(utf8Json ? utf8Json : "");
        h.InvalidateView();
        return 0;
    } catch (const std::exception& e) {
        h.lastError = e.what();
        return 1;
    }
}

static bool ReadWholeFile(const wchar_t* path, std::string& contents)
{
    FILE* file = _wfopen(path, L"rb");
    if (!file)
        return false;
    char chunk[65536];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
        contents.append(chunk, n);
    bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

ZHDAPI std::int32_t ZhdLoadDrawingFile(const wchar_t* path)
{
    HostState& h = Host();
    std::string contents;
    if (!path || !ReadWholeFile(path, contents)) {
        h.lastError = "cannot read the file";
        return 1;
    }
    return ZhdLoadDrawingJson(contents.c_str());
}

ZHDAPI std::int32_t ZhdAddSegment(std::int32_t segmentId, std::int32_t qualifier, std::int32_t elementId,
                                  std::int32_t type, double x, double y, const wchar_t* text)
{
    HostState& h = Host();
    try {
        Segment segment;
        segment.id = segmentId;
        segment.qualifier = qualifier;
        segment.elements.push_back(Element{elementId, type, x, y, text ? text : L""});
        h.drawing.AddSegment(std::move(segment));
        return 0;
    } catch (const std::exception& e) {
        h.lastError = e.what();
        return 1;
    }
}

ZHDAPI std::int32_t ZhdSaveDrawingFile(const wchar_t* path)
{
    HostState& h = Host();
    if (!path) {
        h.lastError = "no file name";
        return 1;
    }
    std::wstring temporary = std::wstring(path) + L".part";
    std::string json;
    try {
        json = h.drawing.SaveJson();
    } catch (const std::exception& e) {
        h.lastError = e.what();
        return 1;
    }
    FILE* file = _wfopen(temporary.c_str(), L"wb");
    if (!file) {
        h.lastError = "cannot create the file";
        return 1;
    }
    bool written = std::fwrite(json.data(), 1, json.size(), file) == json.size();
    written = std::fclose(file) == 0 && written;
    if (!written || !MoveFileExW(temporary.c_str(), path, MOVEFILE_REPLACE_EXISTING)) {
        h.lastError = "cannot write the file";
        DeleteFileW(temporary.c_str());
        return 1;
    }
    return 0;
}

ZHDAPI std::int32_t ZhdIsRegistered() { return Host().start != nullptr; }

ZHDAPI std::int32_t ZhdCallUnload()
{
    HostState& h = Host();
    if (!h.unload)
        return -1;
    h.unload();
    return 0;
}

ZHDAPI std::int32_t ZhdCallSecond()
{
    HostState& h = Host();
    return h.second ? h.second() : -1;
}

namespace {

std::int32_t StartRun(ZelStartFunc start, const char* what)
{
    HostState& h = Host();
    h.ResetRun();
    h.running = true;
    h.readySetInCallback = false;
    h.executeSetInCallback = false;
    std::int32_t r = start();
    h.ScrubTexts();
    if (r != 0)
        h.Violation(std::string(what) + " returned " + std::to_string(r));
    if (h.readySetInCallback)
        h.Violation(std::string(what) + " registered its first ready function instead of calling it");
    if (!h.executeSetInCallback) {
        h.Violation("the first ready function registered no execute function");
        h.ResetRun();
    }
    return r;
}

}  // namespace

ZHDAPI std::int32_t ZhdStartCommand()
{
    HostState& h = Host();
    if (!h.start) {
        h.Violation("the command was started before a start function was registered");
        return -1;
    }
    return StartRun(h.start, "the start function");
}

ZHDAPI std::int32_t ZhdStartAt(ZelReadyFunc ready) { return StartRun(ready, "the ready function"); }

ZHDAPI std::int32_t ZhdIsCommandRunning() { return Host().running; }

ZHDAPI std::int32_t ZhdSendPick(std::int32_t elementId)
{
    HostEvent event;
    event.kind = ElementPick;
    event.elementId = elementId;
    event.hasPoint = true;
    if (Element* element = Host().drawing.FindElement(elementId)) {
        event.x = element->x;
        event.y = element->y;
    }
    return Deliver(std::move(event));
}

ZHDAPI std::int32_t ZhdSendPoint(double x, double y)
{
    HostEvent event;
    event.kind = DataPoint;
    event.hasPoint = true;
    event.x = x;
    event.y = y;
    return Deliver(std::move(event));
}

ZHDAPI std::int32_t ZhdSendKeyin(const wchar_t* text)
{
    HostEvent event;
    event.kind = KeyIn;
    event.text = text ? text : L"";
    return Deliver(std::move(event));
}

ZHDAPI std::int32_t ZhdSendConfirm()
{
    HostEvent event;
    event.kind = Confirm;
    return Deliver(std::move(event));
}

ZHDAPI std::int32_t ZhdSendEvent(std::int32_t kind)
{
    HostEvent event;
    event.kind = kind;
    return Deliver(std::move(event));
}

ZHDAPI void ZhdFaultRegister(std::int32_t result) { Host().registerResult = result; }
ZHDAPI void ZhdFaultComment(std::int32_t elementId, std::int32_t result)
{
    Host().commentFaults[elementId] = CommentFault{result, false};
}
ZHDAPI void ZhdFaultCommentNullText(std::int32_t elementId) { Host().commentFaults[elementId] = CommentFault{0, true}; }
ZHDAPI void ZhdFaultDelete(std::int32_t segmentId) { Host().deleteFaults.insert(segmentId); }
ZHDAPI void ZhdFaultSearch(std::int32_t n, std::int32_t result)
{
    Host().searchFaults[Host().searchNumber + n] = result;
}
ZHDAPI void ZhdFaultGetPoint(std::int32_t result) { Host().getPointFault = result; }
ZHDAPI void ZhdFaultKeyinNull() { Host().keyinNullFault = true; }
ZHDAPI void ZhdFaultHeadElement(std::int32_t segmentId, std::int32_t elementId)
{
    Host().headFaults[segmentId] = elementId;
}

ZHDAPI std::int32_t ZhdGetTranscript(char* buffer, std::int32_t capacity)
{
    return CopyOut(Joined(Host().transcript), buffer, capacity);
}
ZHDAPI std::int32_t ZhdGetCallLog(char* buffer, std::int32_t capacity)
{
    return CopyOut(Joined(Host().callLog), buffer, capacity);
}
ZHDAPI std::int32_t ZhdGetViolations(char* buffer, std::int32_t capacity)
{
    return CopyOut(Joined(Host().violations), buffer, capacity);
}
ZHDAPI std::int32_t ZhdGetLastError(char* buffer, std::int32_t capacity)
{
    return CopyOut(Host().lastError, buffer, capacity);
}
ZHDAPI std::int32_t ZhdGetPrompt(char* buffer, std::int32_t capacity)
{
    return CopyOut(Utf8FromWide(Host().prompt), buffer, capacity);
}

ZHDAPI std::int32_t ZhdGetDrawingJson(char* buffer, std::int32_t capacity)
{
    return CopyOut(Host().drawing.SaveJson(), buffer, capacity);
}

ZHDAPI void ZhdSetCallLogging(std::int32_t enabled) { Host().callLogging = enabled != 0; }
ZHDAPI void ZhdSetEcho(std::int32_t enabled) { Host().echo = enabled != 0; }
ZHDAPI void ZhdSetModalMessageBoxes(std::int32_t enabled) { Host().modalMessageBoxes = enabled != 0; }
