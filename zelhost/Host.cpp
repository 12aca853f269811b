#include "zelhost/Host.h"

#include "zelhost/Pictures.h"

namespace zelhost {

HostRooms::HostRooms()
    : idLists(transcript),
      view(drawing),
      dialogs(transcript, SnapshotWindow),
      protocol(
          transcript, [this](const char* callback) { CallbackReturned(callback); },
          [this](bool passEnded) { view.PromptEnded(passEnded); })
{}

void HostRooms::Reset()
{
    drawing = Drawing{};
    transcript.Reset();
    faults = Faults{};
    commentText.Expire();
    keyinText.Expire();
    idLists.Reset();
    view.Reset();
    dialogs.Reset();
    protocol.Reset();
    modalMessageBoxes = false;
    lastError.clear();
}

void HostRooms::CallbackReturned(const char* callback)
{
    commentText.Expire();
    keyinText.Expire();
    idLists.CloseLeftOpen(callback);
}

HostRooms& Host()
{
    static HostRooms rooms;
    return rooms;
}

}  // namespace zelhost
