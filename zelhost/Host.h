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

    Drawing drawing;
    Transcript transcript;
    Faults faults;
    HostText commentText;  // the text of the last ZelCmtGetComment
    HostText keyinText;    // the text of the last ZelEvtGetKeyinString
    IdLists idLists;
    View view;
    Dialogs dialogs;
    Protocol protocol;
    // ZelDlgMessageBox shows a real modal box (by hand) or only records its text (scripts, tests).
    bool modalMessageBoxes = false;
    std::string lastError;  // why the driver's last failed operation failed
};

HostRooms& Host();

}  // namespace zelhost
