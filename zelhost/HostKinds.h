// The kinds of host that the contract leaves open, and which the stand-in can be: where its
// key-in line is, what Enter and Escape do there, how soon a key-in reaches the command, what a
// Delete of the host's own does, and whether the click that activates its window is also a click.
// One table (HostKinds.cpp) gives the settings, their checks and their help.
#pragma once

#include <cstdint>
#include <string>

namespace zelhost {

struct HostKind {
    bool floatingKeyin = false;            // the key-in line in a floating window the main window owns
    bool keepsSubmitted = false;           // after Enter the key-in line keeps the text, selected
    bool escapeClears = false;             // Escape only clears the key-in line
    std::int32_t keyinDelay = 0;           // ms before a key-in or Escape of the key-in line is handled
    bool deletesSelection = false;         // Delete deletes the host's selection set
    bool deliversActivatingClick = false;  // the click that brings the window to the front is a click too
};

// Sets what `setting` ("keyin floating", "delay 800") names; why not, when it names nothing.
std::string SetHostKind(HostKind& kind, const std::string& setting);
// One row a setting: its syntax, two blanks, what it does.
std::string HostKindHelp();

}  // namespace zelhost
