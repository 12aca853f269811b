// The stand-in host: its rooms, each owning one concern, wired together here once. ZelLib's
// operations (ZelLibExports.cpp), the driver (Driver.cpp) and the host window reach them
// through Host().
#pragma once

#include "zelhost/Dialogs.h"
#include "zelhost/Drawing.h"
#include "zelhost/Faults.h"
#include "zelhost/HostText.h"
#include "zelhost/IdLists.h"
#include "zelhost/Protocol.h"
#include "zelhost/TextCommand.h"
#include "zelhost/Transcript.h"
#include "zelhost/View.h"

namespace zelhost {

struct HostRooms {
    HostRooms();
    HostRooms(const HostRooms&) = delete;
    HostRooms& operator=(const HostRooms&) = delete;

    // Forgets the drawing, the registration, the running command, faults, logs and violations;
    // the window stays.
    void Reset();
    // What the host does whenever a callback of the plug-in's returns.
    void CallbackReturned(const char* callback);

    // One command runs at a time, the plug-in's (protocol) or the host's own (textCommand), and
    // starting one ends the other; the host ends the plug-in's pass without telling it, as a
    // real host does. StartCommand starts a pass at the registered start function, or for tests
    // at a ready function.
    std::int32_t StartCommand(ZelReadyFunc at = nullptr);
    // -1 when the plug-in is handling an event, whose pass the host does not end under it.
    std::int32_t StartTextCommand();
    // Ends the command that runs, the plug-in not told; -1 when none runs (or under an event).
    std::int32_t CancelCommand();
    // An event for the command that runs: its result, or -1 (a violation) when none runs.
    std::int32_t Deliver(HostEvent event);
    // What Enter on the key-in line hands on: its text as a key-in, a confirm when it is empty.
    // With no command running that is the person's own doing, not the plug-in's: a key-in only
    // goes into the transcript, a confirm nowhere.
    void KeyinLineEntered(const std::wstring& text);

    Drawing drawing;
    Transcript transcript;
    Faults faults;
    HostText commentText;  // the text of the last ZelCmtGetComment
    HostText keyinText;    // the text of the last ZelEvtGetKeyinString
    IdLists idLists;
    View view;
    Dialogs dialogs;
    Protocol protocol;
    TextCommand textCommand;
    // ZelDlgMessageBox shows a real modal box (by hand) or only records its text (scripts, tests).
    bool modalMessageBoxes = false;
    // By hand, what the person does in the host window goes into the transcript too, as the
    // script lines that do the same ("> pick 12"); a script's own lines say it already.
    bool transcribeWindowInput = false;
    std::string lastError;  // why the driver's last failed operation failed
};

HostRooms& Host();

// No exception leaves an export of ZelLib.dll: each catches whatever its work throws and hands
// it here, from its handler, which records it as a violation naming the export; the export then
// gives its failing result.
void RecordFailure(const char* function) noexcept;
template <class Result>
Result Failed(const char* function, Result result) noexcept
{
    RecordFailure(function);
    return result;
}
inline void Failed(const char* function) noexcept { RecordFailure(function); }

}  // namespace zelhost
