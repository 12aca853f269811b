// The host program's script lines, the same typed at its console: each line is checked before
// anything runs, then carried out in order. One table of verbs (ScriptLines.cpp) gives their
// checks, what each does and `zelhost --help`; README.md's table says the same.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace zelhost {

struct Line {
    int number = 0;
    std::string verb;
    std::vector<std::string> words;  // the words after the verb
    std::string rest;                // the line after the verb and one blank, as typed
};

// What the lines act on while a session runs.
struct Session {
    std::wstring snapshots;       // the folder the pictures go to
    std::deque<int> answerLines;  // the lines of the dialog answers not yet used
};

// The line as a step, none for a blank or comment line; `error` says why it cannot run.
std::optional<Line> ParseLine(std::string text, int number, std::string& error);
// The whole script file, checked; none, with `error` naming the file and line, when any line
// cannot run.
std::optional<std::vector<Line>> ReadScript(const std::wstring& path, std::string& error);
// Carries out a checked line; an error text when the session cannot go on.
std::string RunLine(const Line& line, Session& session);
// One row a script line: its syntax, then what it does.
std::string ScriptHelp();
// Writes to standard output at once, in its place among the transcript's lines.
void Print(const std::string& text);

}  // namespace zelhost
