#include "zelhost/HostKinds.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <vector>

namespace zelhost {

namespace {

constexpr std::int32_t LongestDelay = 10000;

// A setting with two choices: the default first.
struct Choice {
    const char* name;
    const char* off;
    const char* on;
    const char* help;
    bool HostKind::*value;
};

const Choice Choices[] = {
    {"keyin", "docked", "floating",
     "the key-in line docked at the foot of the main window, or in a floating window the main window owns",
     &HostKind::floatingKeyin},
    {"submitted", "cleared", "kept", "after Enter the key-in line empties, or keeps the submitted text, selected",
     &HostKind::keepsSubmitted},
    {"escape", "cancels", "clears", "Escape cancels the command that runs, or only clears the key-in line",
     &HostKind::escapeClears},
    {"delete", "nothing", "selection",
     "Delete on an empty key-in line does nothing, or deletes the host's selection set (a click with no command "
     "running selects)",
     &HostKind::deletesSelection},
    {"activating-click", "eaten", "delivered",
     "the click that brings the host window to the front from another program is eaten, or is a click too",
     &HostKind::deliversActivatingClick},
};

std::vector<std::string> Words(const std::string& text)
{
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

bool IsDelay(const std::string& word)
{
    if (word.empty() || word.size() > 5 || word.find_first_not_of("0123456789") != std::string::npos)
        return false;
    return std::atoi(word.c_str()) <= LongestDelay;
}

}  // namespace

std::string SetHostKind(HostKind& kind, const std::string& setting)
{
    std::vector<std::string> words = Words(setting);
    if (!words.empty() && words[0] == "delay") {
        if (words.size() != 2 || !IsDelay(words[1]))
            return "delay takes MS from 0 to " + std::to_string(LongestDelay);
        kind.keyinDelay = std::atoi(words[1].c_str());
        return "";
    }
    for (const Choice& choice : Choices) {
        if (words.empty() || words[0] != choice.name)
            continue;
        if (words.size() == 2 && (words[1] == choice.off || words[1] == choice.on)) {
            kind.*choice.value = words[1] == choice.on;
            return "";
        }
        return std::string(choice.name) + " takes " + choice.off + " or " + choice.on;
    }
    return "not a host kind: " + setting + " (zelhost --help lists them)";
}

std::string HostKindHelp()
{
    std::string rows;
    char row[160];
    for (const Choice& choice : Choices) {
        std::string syntax = std::string(choice.name) + " " + choice.off + "|" + choice.on;
        std::snprintf(row, sizeof row, "  %-32s  ", syntax.c_str());
        rows += row + std::string(choice.help) + "\n";
    }
    std::snprintf(row, sizeof row, "  %-32s  ", "delay MS");
    rows += row + std::string("a key-in or Escape of the key-in line is handled at once (0), or MS milliseconds "
                              "later (at most 10000), in the order they came\n");
    return rows;
}

}  // namespace zelhost
