// The stand-in host's state, shared by ZelLib's operations, the driver and the host window.
#pragma once

#include "../host/ZelLib.h"
#include "Drawing.h"

#include <windows.h>

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace zelhost {

// A text the host hands out. Set scrubs what was handed out before; Scrub overwrites the text
// in place once it has expired.
struct HostText {
    std::vector<wchar_t> buffer;
    std::vector<std::vector<wchar_t>> retired;
    size_t length = 0;
    bool live = false;

    void Set(const std::wstring& text);
    void Scrub();
};

struct HostEvent {
    std::int32_t kind = 0;
    std::int32_t elementId = 0;
    bool hasPoint = false;
    double x = 0;
    double y = 0;
    std::wstring text;
};

struct IdListEntry {
    std::int32_t segmentId;
    std::int32_t qualifier;
};

struct IdCursor {
    size_t position;
    bool open;
};

struct CommentFault {
    std::int32_t result = -1;
    bool nullText = false;
};

struct HostState {
    Drawing drawing;

    ZelStartFunc start = nullptr;
    ZelSecondFunc second = nullptr;
    ZelUnloadFunc unload = nullptr;
    std::int32_t registerResult = 1;

    bool running = false;
    ZelReadyFunc ready = nullptr;
    ZelExecuteFunc execute = nullptr;
    bool readySetInCallback = false;
    bool executeSetInCallback = false;
    HostEvent* currentEvent = nullptr;
    std::wstring prompt;
    std::wstring info;

    HostText commentText;
    HostText keyinText;

    std::vector<IdListEntry> idList;
    std::unordered_set<std::int32_t> inIdList;
    std::vector<IdCursor> cursors;
    std::vector<IdListEntry> blinkSet;
    BoundingBox view{};
    bool hasView = false;

    std::unordered_map<std::int32_t, CommentFault> commentFaults;
    std::unordered_set<std::int32_t> deleteFaults;
    std::map<std::int64_t, std::int32_t> searchFaults;  // by search number
    std::int64_t searchNumber = 0;
    std::optional<std::int32_t> getPointFault;
    bool keyinNullFault = false;
    std::unordered_map<std::int32_t, std::int32_t> headFaults;

    std::vector<std::string> transcript;
    std::vector<std::string> callLog;
    std::vector<std::string> violations;
    bool callLogging = true;
    bool echo = false;
    bool modalMessageBoxes = false;
    std::string lastError;

    HWND window = nullptr;
    HWND keyinLine = nullptr;
    std::deque<std::string> dialogAnswers;
    UINT_PTR dialogTimer = 0;

    void Log(const std::string& line);
    void Say(const std::string& line);
    void Violation(const std::string& what);
    void ScrubTexts();
    void ResetRun();
    void InvalidateView();
};

HostState& Host();
void PaintView(HDC dc, const RECT& area);
bool SnapshotWindow(HWND window, const wchar_t* path);

}  // namespace zelhost
