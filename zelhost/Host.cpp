#include "zelhost/Host.h"

#include "zelhost/Pictures.h"
#include "zelhost/Utf8.h"

#include <algorithm>

namespace zelhost {

HostRooms::HostRooms()
    : idLists(transcript),
      view(drawing),
      dialogs(transcript, SnapshotWindow),
      protocol(
          transcript, [this](const char* callback) { CallbackReturned(callback); },
          [this](bool passEnded) { view.PromptEnded(passEnded); }),
      textCommand(drawing, view, transcript)
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
    textCommand.Reset();
    kind = HostKind{};
    selection.clear();
    modalMessageBoxes = false;
    transcribeWindowInput = false;
    lastError.clear();
}

void HostRooms::CallbackReturned(const char* callback)
{
    commentText.Expire();
    keyinText.Expire();
    idLists.CloseLeftOpen(callback);
}

std::int32_t HostRooms::StartCommand(ZelReadyFunc at)
{
    textCommand.End();
    return at ? protocol.StartAt(at) : protocol.StartCommand();
}

std::int32_t HostRooms::StartTextCommand()
{
    if (protocol.Running() && !protocol.Cancel())
        return -1;
    textCommand.End();
    textCommand.Start();
    return 0;
}

std::int32_t HostRooms::CancelCommand()
{
    if (textCommand.Running())
        textCommand.End();
    else if (!protocol.Cancel())
        return -1;
    transcript.Say("cancelled");
    return 0;
}

std::int32_t HostRooms::Deliver(HostEvent event)
{
    if (textCommand.Running())
        return textCommand.Take(event);
    return protocol.Deliver(std::move(event));
}

void HostRooms::KeyinLineEntered(const std::wstring& text)
{
    if (!textCommand.Running() && !protocol.Running()) {
        if (!text.empty())
            transcript.Say("keyin to no command: " + Utf8FromWide(text));
        return;
    }
    HostEvent event;
    event.kind = text.empty() ? Confirm : KeyIn;
    event.text = text;
    Deliver(std::move(event));
}

void HostRooms::SelectAt(POINT pixel, const RECT& area, int aperture)
{
    // Any element is taken, whatever the last prompt took.
    InputRules anyElement{};
    anyElement.mask = PickBit;
    std::swap(view.Input(), anyElement);
    const Element* picked = view.ElementAt(pixel, area, aperture);
    std::swap(view.Input(), anyElement);
    std::int32_t segmentId = 0;
    if (!picked || !drawing.FindElement(picked->id, &segmentId))
        return;
    if (std::find(selection.begin(), selection.end(), segmentId) == selection.end())
        selection.push_back(segmentId);
    transcript.Say("host selected: segment " + std::to_string(segmentId));
}

void HostRooms::DeleteSelection()
{
    for (std::int32_t segmentId : selection) {
        if (drawing.DeleteSegment(segmentId))
            transcript.Say("host deleted: segment " + std::to_string(segmentId));
    }
    selection.clear();
    view.Changed();
}

HostRooms& Host()
{
    static HostRooms rooms;
    return rooms;
}

void RecordFailure(const char* function) noexcept
{
    try {
        std::string what;
        try {
            throw;
        } catch (const std::exception& e) {
            what = e.what();
        } catch (...) {
            what = "an exception of no standard type";
        }
        Host().transcript.Violation(std::string(function) + " failed inside the host: " + what);
    } catch (...) {
        // Not even the violation could be recorded: the export's failing result must do.
    }
}

}  // namespace zelhost
