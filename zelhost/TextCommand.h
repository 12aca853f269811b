// The host's own command, as a host has many of its own: a text annotation placed at a data
// point, its text the key-in that follows. It prompts as the plug-in's prompts are shown, takes
// the person's events while it runs, and places the text as a new segment of one annotation,
// with fresh ids, which is saved with the drawing. Every key-in it receives goes into the
// transcript, so that a stray word typed into it shows.
#pragma once

#include "zelhost/Drawing.h"
#include "zelhost/Protocol.h"
#include "zelhost/Transcript.h"
#include "zelhost/View.h"

#include <cstdint>

namespace zelhost {

class TextCommand {
public:
    TextCommand(Drawing& drawing, View& view, Transcript& transcript)
        : drawing_(drawing), view_(view), transcript_(transcript)
    {}
    void Reset() { stage_ = Stage::Idle; }

    void Start();
    bool Running() const { return stage_ != Stage::Idle; }
    // Takes an event as a command's execute function would, with the same results: advance when
    // it took the point, finish when it placed the text, stay when it takes nothing of the event.
    std::int32_t Take(const HostEvent& event);
    // Ends it with nothing placed; nothing when it does not run.
    void End();

private:
    enum class Stage { Idle, Position, Text };
    void Prompt(Stage stage);
    void Place(const std::wstring& text);

    Drawing& drawing_;
    View& view_;
    Transcript& transcript_;
    Stage stage_ = Stage::Idle;
    double x_ = 0;
    double y_ = 0;
};

}  // namespace zelhost
