// zelhost: the stand-in host as a program. It loads a drawing and the plug-in, calls Startup,
// runs a session script (or the same lines typed at its console), writes what the host showed
// to standard output as it happens, and saves the drawing at the end. `zelhost --help` lists the
// script lines; README.md documents everything.
#include "zelhost/Drawing.h"
#include "zelhost/Files.h"
#include "zelhost/Owned.h"
#include "zelhost/Utf8.h"
#include "zelhost/ZelHostDriver.h"

#include <ZelLib.h>

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <deque>
#include <optional>
#include <string>
#include <vector>

using namespace zelhost;

namespace {

enum Exit { Done = 0, Usage = 2, BadDrawing = 3, BadPlugin = 4, BadScript = 5, BadOutput = 6 };

constexpr char UsageText[] =
    "usage: zelhost --drawing FILE.json [--plugin PATH] [--script FILE | --console] [--out FILE.json] "
    "[--snapshots DIR]";
constexpr wchar_t SettingsKey[] = L"SOFTWARE\\Tarnwick\\ZEL\\Sorvane";
constexpr int LongestWait = 60000;

// How the session is driven: by a person in the host window, by lines typed at the console, or
// by a script.
enum class Mode { ByHand, Console, Script };

struct Options {
    std::wstring drawing, plugin, script, out, snapshots = L".";
    Mode mode = Mode::ByHand;
    bool help = false;
};

void Report(const std::string& text)
{
    std::string line = "zelhost: " + text + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

void Print(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

// One line of a session, checked before it runs.
struct Line {
    int number = 0;
    std::string verb;
    std::vector<std::string> words;  // the words after the verb
    std::string rest;                // the line after the verb and one blank, as typed
};

// What the lines act on while a session runs.
struct Session {
    const Options& options;
    std::deque<int> answerLines;  // the script lines of the dialog answers not yet used
};

bool IsInteger(const std::string& word, long low = INT32_MIN, long high = INT32_MAX)
{
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(word.c_str(), &end, 10);
    return !word.empty() && *end == '\0' && errno == 0 && value >= low && value <= high;
}

bool IsNumber(const std::string& word)
{
    char* end = nullptr;
    double value = std::strtod(word.c_str(), &end);
    return !word.empty() && *end == '\0' && std::isfinite(value);
}

std::int32_t Integer(const std::string& word)
{
    return static_cast<std::int32_t>(std::strtol(word.c_str(), nullptr, 10));
}

// A key press of the `press` line: the key, the modifiers held around it, and how many key-downs
// (auto-repeats after the first) come before its key-up.
struct KeyPress {
    BYTE key = 0;
    std::vector<BYTE> modifiers;
    int downs = 1;
};

std::optional<KeyPress> ParsePress(const std::vector<std::string>& words)
{
    if (words.empty() || words.size() > 2)
        return std::nullopt;
    KeyPress press;
    std::string rest = words[0];
    for (auto [prefix, key] :
         {std::pair{"ctrl+", VK_CONTROL}, std::pair{"shift+", VK_SHIFT}, std::pair{"alt+", VK_MENU}}) {
        if (rest.rfind(prefix, 0) == 0) {
            press.modifiers.push_back(static_cast<BYTE>(key));
            rest.erase(0, std::strlen(prefix));
        }
    }
    press.key = rest == "right" ? VK_RIGHT : rest == "left" ? VK_LEFT : rest == "delete" ? VK_DELETE : 0;
    if (!press.key)
        return std::nullopt;
    if (words.size() == 2) {
        if (words[1].size() < 2 || words[1][0] != 'x' || !IsInteger(words[1].substr(1), 1, 100))
            return std::nullopt;
        press.downs = std::atoi(words[1].c_str() + 1);
    }
    return press;
}

void Press(const KeyPress& press)
{
    ZhdFocusKeyinLine();
    for (BYTE modifier : press.modifiers)
        keybd_event(modifier, 0, 0, 0);
    for (int i = 0; i < press.downs; ++i)
        keybd_event(press.key, 0, 0, 0);
    keybd_event(press.key, 0, KEYEVENTF_KEYUP, 0);
    for (auto modifier = press.modifiers.rbegin(); modifier != press.modifiers.rend(); ++modifier)
        keybd_event(*modifier, 0, KEYEVENTF_KEYUP, 0);
    ZhdPumpMessages(300);
}

// The pointer moved to a drawing point as the view shows it now, through the system's mouse input.
bool MovePointer(double x, double y)
{
    std::int32_t screenX = 0;
    std::int32_t screenY = 0;
    if (ZhdScreenPointOf(x, y, &screenX, &screenY) != 0)
        return false;
    INPUT move{};
    move.type = INPUT_MOUSE;
    move.mi.dx = MulDiv(screenX, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    move.mi.dy = MulDiv(screenY, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &move, sizeof move);
    ZhdPumpMessages(50);
    return true;
}

std::string Click(const Line& line, DWORD down, DWORD up)
{
    ZhdFocusKeyinLine();
    if (!MovePointer(std::strtod(line.words[0].c_str(), nullptr), std::strtod(line.words[1].c_str(), nullptr)))
        return "the point is not in the view (fit shows the whole drawing)";
    INPUT press[2] = {};
    press[0].type = press[1].type = INPUT_MOUSE;
    press[0].mi.dwFlags = down;
    press[1].mi.dwFlags = up;
    SendInput(2, press, sizeof press[0]);
    ZhdPumpMessages(300);
    return "";
}

std::string TwoNumbers(const Line& line)
{
    return line.words.size() == 2 && IsNumber(line.words[0]) && IsNumber(line.words[1])
               ? ""
               : "takes two finite numbers X Y";
}

void StoreMethod(const std::optional<std::wstring>& text)
{
    if (!text) {
        RegDeleteKeyValueW(HKEY_CURRENT_USER, SettingsKey, L"Method");
        return;
    }
    HKEY opened = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, SettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened, nullptr) !=
        ERROR_SUCCESS)
        return;
    OwnedKey key(opened);
    RegSetValueExW(key.Get(), L"Method", 0, REG_SZ, reinterpret_cast<const BYTE*>(text->c_str()),
                   static_cast<DWORD>((text->size() + 1) * sizeof(wchar_t)));
}

std::wstring PicturePath(const Options& options, const std::string& name)
{
    std::wstring file = WideFromUtf8(name);
    if (file.size() < 4 || _wcsicmp(file.c_str() + file.size() - 4, L".png") != 0)
        file += L".png";
    return options.snapshots + L"\\" + file;
}

std::string ExactlyWords(const Line& line, size_t count, const char* syntax)
{
    return line.words.size() == count ? "" : std::string("takes ") + syntax;
}

std::string IntegerWords(const Line& line, size_t count, const char* syntax)
{
    if (line.words.size() != count)
        return std::string("takes ") + syntax;
    for (const std::string& word : line.words)
        if (!IsInteger(word))
            return "not a whole number: " + word;
    return "";
}

std::string QueueAnswer(const std::string& answer, const Line& line, Session& session)
{
    ZhdQueueDialogAnswer(answer.c_str());
    session.answerLines.push_back(line.number);
    return "";
}

// The script lines: each checked before anything runs, then carried out in order. The same
// table gives `zelhost --help`, and README.md's table says the same.
struct Verb {
    const char* name;
    const char* syntax;
    const char* help;
    bool needsCommand;  // an event for the running command
    std::string (*check)(const Line&);
    std::string (*run)(const Line&, Session&);
};

const Verb Verbs[] = {
    {"command", "command", "starts the plug-in's command", false,
     [](const Line& l) -> std::string { return ExactlyWords(l, 0, "nothing"); },
     [](const Line&, Session&) {
         ZhdStartCommand();
         return std::string();
     }},
    {"pick", "pick ID", "an element pick of element ID, at its point", true,
     [](const Line& l) -> std::string { return IntegerWords(l, 1, "an element id"); },
     [](const Line& l, Session&) {
         ZhdSendPick(Integer(l.words[0]));
         return std::string();
     }},
    {"point", "point X Y", "a data point at X, Y", true,
     [](const Line& l) -> std::string {
         return l.words.size() == 2 && IsNumber(l.words[0]) && IsNumber(l.words[1]) ? ""
                                                                                    : "takes two finite numbers X Y";
     },
     [](const Line& l, Session&) {
         ZhdSendPoint(std::strtod(l.words[0].c_str(), nullptr), std::strtod(l.words[1].c_str(), nullptr));
         return std::string();
     }},
    {"keyin", "keyin TEXT", "a key-in of the rest of the line, possibly empty", true,
     [](const Line&) -> std::string { return ""; },
     [](const Line& l, Session&) {
         ZhdSendKeyin(WideFromUtf8(l.rest).c_str());
         return std::string();
     }},
    {"confirm", "confirm", "a confirm", true,
     [](const Line& l) -> std::string { return ExactlyWords(l, 0, "nothing"); },
     [](const Line&, Session&) {
         ZhdSendConfirm();
         return std::string();
     }},
    {"event", "event KIND", "an event of another kind, without a point", true,
     [](const Line& l) -> std::string { return IntegerWords(l, 1, "an event kind"); },
     [](const Line& l, Session&) {
         ZhdSendEvent(Integer(l.words[0]));
         return std::string();
     }},
    {"press", "press [ctrl+][shift+][alt+]right|left|delete [xN]",
     "a real key press through the system's keyboard input, the host's key-in line focused; xN holds it down for N "
     "key-downs (1 to 100) before its key-up",
     false,
     [](const Line& l) -> std::string {
         return ParsePress(l.words) ? "" : std::string("takes [ctrl+][shift+][alt+]right|left|delete [xN]");
     },
     [](const Line& l, Session&) {
         Press(*ParsePress(l.words));
         return std::string();
     }},
    {"click", "click X Y",
     "a left click at drawing point X, Y through the system's mouse input: a pick or a data point, as the prompt takes",
     false, TwoNumbers, [](const Line& l, Session&) { return Click(l, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP); }},
    {"rightclick", "rightclick X Y", "a right click at drawing point X, Y: a confirm", false, TwoNumbers,
     [](const Line& l, Session&) { return Click(l, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP); }},
    {"move", "move X Y", "moves the pointer over drawing point X, Y (the rubber band of a window follows it)", false,
     TwoNumbers,
     [](const Line& l, Session&) {
         ZhdFocusKeyinLine();
         bool moved = MovePointer(std::strtod(l.words[0].c_str(), nullptr), std::strtod(l.words[1].c_str(), nullptr));
         return moved ? std::string() : std::string("the point is not in the view (fit shows the whole drawing)");
     }},
    {"fit", "fit", "fits the whole drawing into the view, as Home does; the plug-in is not told", false,
     [](const Line& l) -> std::string { return ExactlyWords(l, 0, "nothing"); },
     [](const Line&, Session&) {
         ZhdFitView();
         ZhdPumpMessages(50);
         return std::string();
     }},
    {"dialog click", "dialog click ID",
     "the answer for the next modal dialog, carried out inside its modal loop: a click of its control ID", false,
     [](const Line& l) -> std::string { return IntegerWords(l, 1, "a control id"); },
     [](const Line& l, Session& s) { return QueueAnswer("click " + l.words[0], l, s); }},
    {"dialog ok", "dialog ok", "the answer for the next modal dialog: OK", false,
     [](const Line& l) -> std::string { return ExactlyWords(l, 0, "nothing"); },
     [](const Line& l, Session& s) { return QueueAnswer("ok", l, s); }},
    {"dialog cancel", "dialog cancel", "the answer for the next modal dialog: Cancel", false,
     [](const Line& l) -> std::string { return ExactlyWords(l, 0, "nothing"); },
     [](const Line& l, Session& s) { return QueueAnswer("cancel", l, s); }},
    {"dialog snapshot", "dialog snapshot NAME",
     "the answer for the next modal dialog: a picture of it as the screen shows it, NAME.png in the snapshots folder",
     false, [](const Line& l) -> std::string { return ExactlyWords(l, 1, "a NAME"); },
     [](const Line& l, Session& s) {
         return QueueAnswer("snapshot " + Utf8FromWide(PicturePath(s.options, l.words[0])), l, s);
     }},
    {"registry Method", "registry Method TEXT", "sets the stored search method to the rest of the line", false,
     [](const Line&) -> std::string { return ""; },
     [](const Line& l, Session&) {
         StoreMethod(WideFromUtf8(l.rest));
         return std::string();
     }},
    {"registry delete", "registry delete", "removes the stored search method", false,
     [](const Line& l) -> std::string { return ExactlyWords(l, 0, "nothing"); },
     [](const Line&, Session&) {
         StoreMethod(std::nullopt);
         return std::string();
     }},
    {"fault comment", "fault comment ELEMENT", "ZelCmtGetComment fails (-1) for that element", false,
     [](const Line& l) -> std::string { return IntegerWords(l, 1, "an element id"); },
     [](const Line& l, Session&) {
         ZhdFaultComment(Integer(l.words[0]), -1);
         return std::string();
     }},
    {"fault comment-null", "fault comment-null ELEMENT", "ZelCmtGetComment reports success for it with a null text",
     false, [](const Line& l) -> std::string { return IntegerWords(l, 1, "an element id"); },
     [](const Line& l, Session&) {
         ZhdFaultCommentNullText(Integer(l.words[0]));
         return std::string();
     }},
    {"fault delete", "fault delete SEGMENT", "ZelSgmDeleteSegment fails (-1) for that segment", false,
     [](const Line& l) -> std::string { return IntegerWords(l, 1, "a segment id"); },
     [](const Line& l, Session&) {
         ZhdFaultDelete(Integer(l.words[0]));
         return std::string();
     }},
    {"fault search", "fault search N",
     "the N-th segment search from now fails (returns 1); each collection makes two, a clearing search over the "
     "whole drawing and then the search itself",
     false, [](const Line& l) -> std::string { return IntegerWords(l, 1, "a number N"); },
     [](const Line& l, Session&) {
         ZhdFaultSearch(Integer(l.words[0]), 1);
         return std::string();
     }},
    {"fault getpoint", "fault getpoint R", "the next ZelEvtGetPoint returns R", false,
     [](const Line& l) -> std::string { return IntegerWords(l, 1, "a result R"); },
     [](const Line& l, Session&) {
         ZhdFaultGetPoint(Integer(l.words[0]));
         return std::string();
     }},
    {"fault head", "fault head SEGMENT ELEMENT", "ZelSgmGetHeadElementId answers ELEMENT for that segment", false,
     [](const Line& l) -> std::string { return IntegerWords(l, 2, "a segment and an element id"); },
     [](const Line& l, Session&) {
         ZhdFaultHeadElement(Integer(l.words[0]), Integer(l.words[1]));
         return std::string();
     }},
    {"fault keyin-null", "fault keyin-null", "the next ZelEvtGetKeyinString returns a null text", false,
     [](const Line& l) -> std::string { return ExactlyWords(l, 0, "nothing"); },
     [](const Line&, Session&) {
         ZhdFaultKeyinNull();
         return std::string();
     }},
    {"snapshot", "snapshot NAME", "a picture of the drawing view, NAME.png in the snapshots folder", false,
     [](const Line& l) -> std::string { return ExactlyWords(l, 1, "a NAME"); },
     [](const Line& l, Session& s) {
         std::wstring path = PicturePath(s.options, l.words[0]);
         if (ZhdSnapshotView(path.c_str(), 800, 576) != 0)
             return "cannot write " + Utf8FromWide(path);
         Print("snapshot: " + Utf8FromWide(path.substr(path.find_last_of(L"\\/") + 1)) + "\n");
         return std::string();
     }},
    {"wait", "wait MS", "lets the host's windows run for MS milliseconds (at most 60000)", false,
     [](const Line& l) -> std::string {
         return l.words.size() == 1 && IsInteger(l.words[0], 0, LongestWait) ? ""
                                                                             : std::string("takes MS from 0 to 60000");
     },
     [](const Line& l, Session&) {
         ZhdPumpMessages(Integer(l.words[0]));
         return std::string();
     }},
};

const Verb* FindVerb(const std::string& name)
{
    for (const Verb& verb : Verbs)
        if (name == verb.name)
            return &verb;
    return nullptr;
}

// The forms of a verb that only comes with a second word (dialog ok, dialog cancel, ...).
std::string FormsOf(const std::string& name)
{
    std::string forms;
    for (const Verb& verb : Verbs)
        if (std::string(verb.name).rfind(name + " ", 0) == 0)
            forms += (forms.empty() ? "" : ", ") + std::string(verb.syntax);
    return forms;
}

std::vector<std::string> Words(const std::string& text)
{
    std::vector<std::string> words;
    size_t at = 0;
    while ((at = text.find_first_not_of(" \t", at)) != std::string::npos) {
        size_t end = text.find_first_of(" \t", at);
        words.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
        at = end;
    }
    return words;
}

// The line as a step, none for a blank or comment line; `error` says why it cannot run.
std::optional<Line> ParseLine(std::string text, int number, std::string& error)
{
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    if (!IsUtf8(text)) {
        error = "the line is not valid UTF-8";
        Line line;
        line.number = number;
        return line;
    }
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos || text[first] == '#')
        return std::nullopt;
    Line line;
    line.number = number;
    size_t verbEnd = text.find_first_of(" \t", first);
    line.verb = text.substr(first, verbEnd == std::string::npos ? std::string::npos : verbEnd - first);
    if (verbEnd != std::string::npos)
        line.rest = text.substr(verbEnd + 1);
    line.words = Words(line.rest);
    // A verb of two words: the second is part of it.
    if (!line.words.empty() && FindVerb(line.verb + " " + line.words[0])) {
        size_t secondEnd = line.rest.find_first_not_of(" \t") + line.words[0].size();
        line.verb += " " + line.words[0];
        line.words.erase(line.words.begin());
        line.rest = secondEnd < line.rest.size() ? line.rest.substr(secondEnd + 1) : "";
    }
    const Verb* verb = FindVerb(line.verb);
    std::string forms = FormsOf(line.verb);
    if (!verb)
        error = forms.empty() ? "unknown line: " + line.verb : "one of " + forms;
    else if (!(error = verb->check(line)).empty())
        error = line.verb + " " + error;
    return line;
}

// Carries out a checked line; an error text when the session cannot go on.
std::string Run(const Line& line, Session& session)
{
    Print("> " + line.verb + (line.rest.empty() ? "" : " " + line.rest) + "\n");
    const Verb& verb = *FindVerb(line.verb);
    if (verb.needsCommand && !ZhdIsCommandRunning())
        return "no command is waiting for " + line.verb + " (start one with \"command\")";
    std::string error = verb.run(line, session);
    if (error.empty()) {
        std::string failure = zhd::DialogFailure();
        if (!failure.empty())
            error = failure + "; the host cancelled it";
    }
    return error;
}

void PrintHelp()
{
    Print(std::string(UsageText) + " [--help]\n\nScript lines, one a line (the same typed at the console):\n");
    for (const Verb& verb : Verbs) {
        char row[128];
        std::snprintf(row, sizeof row, "  %-52s  ", verb.syntax);
        Print(row + std::string(verb.help) + "\n");
    }
}

std::wstring ModuleFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

std::optional<Options> ParseOptions(int argc, wchar_t** argv)
{
    Options options;
    options.plugin = ModuleFolder() + L"Sorvane.dll";
    for (int i = 1; i < argc; ++i) {
        std::wstring name = argv[i];
        if (name == L"--help") {
            options.help = true;
            return options;
        }
        if (name == L"--console") {
            options.mode = Mode::Console;
            continue;
        }
        if (i + 1 >= argc) {
            Report("option " + Utf8FromWide(name) + " needs a value");
            return std::nullopt;
        }
        std::wstring value = argv[++i];
        if (name == L"--drawing") {
            options.drawing = value;
        } else if (name == L"--plugin") {
            options.plugin = value;
        } else if (name == L"--script") {
            options.script = value;
            options.mode = value == L"-" ? Mode::Console : Mode::Script;
        } else if (name == L"--out") {
            options.out = value;
        } else if (name == L"--snapshots") {
            options.snapshots = value;
        } else {
            Report("unknown option " + Utf8FromWide(name));
            return std::nullopt;
        }
    }
    if (options.drawing.empty()) {
        Report(UsageText);
        return std::nullopt;
    }
    return options;
}

// The whole script, checked: every line must be one the program can run.
std::optional<std::vector<Line>> ReadScript(const std::wstring& path)
{
    std::string name = Utf8FromWide(path);
    std::string script;
    if (!ReadFileBytes(path, script)) {
        Report(name + ": cannot read the script");
        return std::nullopt;
    }
    if (script.rfind("\xEF\xBB\xBF", 0) == 0)
        script.erase(0, 3);
    std::vector<Line> lines;
    size_t start = 0;
    for (int number = 1; start < script.size(); ++number) {
        size_t end = script.find('\n', start);
        if (end == std::string::npos)
            end = script.size();
        std::string error;
        std::optional<Line> line = ParseLine(script.substr(start, end - start), number, error);
        start = end + 1;
        if (!error.empty()) {
            Report(name + ":" + std::to_string(number) + ": " + error);
            return std::nullopt;
        }
        if (line)
            lines.push_back(*line);
    }
    return lines;
}

// A console line of any length, without its line end; none at the end of the input.
std::optional<std::string> ReadConsoleLine()
{
    std::string line;
    char chunk[4096];
    while (std::fgets(chunk, sizeof chunk, stdin)) {
        line += chunk;
        if (!line.empty() && line.back() == '\n') {
            line.pop_back();
            return line;
        }
    }
    if (line.empty())
        return std::nullopt;
    return line;
}

int RunScript(const std::vector<Line>& lines, Session& session, const std::string& name)
{
    for (const Line& line : lines) {
        std::string error = Run(line, session);
        if (!error.empty()) {
            Report(name + ":" + std::to_string(line.number) + ": " + error);
            return BadScript;
        }
        while (session.answerLines.size() > static_cast<size_t>(ZhdPendingDialogAnswers()))
            session.answerLines.pop_front();
    }
    if (!session.answerLines.empty()) {
        Report(name + ":" + std::to_string(session.answerLines.front()) + ": no dialog opened for this answer");
        return BadScript;
    }
    return Done;
}

void RunConsole(Session& session)
{
    for (int number = 1;; ++number) {
        std::string shown = (ZhdIsCommandRunning() ? zhd::Prompt() : std::string("(no command)")) + " > ";
        std::fwrite(shown.data(), 1, shown.size(), stderr);
        std::optional<std::string> text = ReadConsoleLine();
        if (!text || *text == "quit" || *text == "exit")
            return;
        std::string error;
        std::optional<Line> line = ParseLine(*text, number, error);
        if (line && error.empty())
            error = Run(*line, session);
        if (!error.empty())
            Report("console:" + std::to_string(number) + ": " + error);
    }
}

// The command's 24-pixel icon, found as a host finds it: named in the plug-in's OriginalFilename
// ("Sorvane.dll[apSorvane_16.png,apSorvane_24.png,apSorvane_32.png]") and lying beside it.
std::wstring CommandIconPath(const std::wstring& plugin)
{
    std::vector<BYTE> info(GetFileVersionInfoSizeW(plugin.c_str(), nullptr));
    wchar_t* value = nullptr;
    UINT length = 0;
    if (info.empty() || !GetFileVersionInfoW(plugin.c_str(), 0, static_cast<DWORD>(info.size()), info.data()) ||
        !VerQueryValueW(info.data(), L"\\StringFileInfo\\041204b0\\OriginalFilename", reinterpret_cast<void**>(&value),
                        &length) ||
        !value)
        return L"";
    std::wstring names(value);
    size_t open = names.find(L'[');
    size_t close = names.rfind(L']');
    if (open == std::wstring::npos || close == std::wstring::npos || close < open)
        return L"";
    names = names.substr(open + 1, close - open - 1) + L",";
    std::wstring folder = plugin.substr(0, plugin.find_last_of(L"\\/") + 1);
    for (size_t start = 0, end; (end = names.find(L',', start)) != std::wstring::npos; start = end + 1) {
        std::wstring name = names.substr(start, end - start);
        if (name.find(L"_24.") != std::wstring::npos)
            return folder + name;
    }
    return L"";
}

// The loaded plug-in: Startup called on loading, the unload callback and FreeLibrary on leaving.
class LoadedPlugin {
public:
    explicit LoadedPlugin(const std::wstring& path) : module_(LoadLibraryW(path.c_str())) {}
    LoadedPlugin(const LoadedPlugin&) = delete;
    LoadedPlugin& operator=(const LoadedPlugin&) = delete;
    ~LoadedPlugin()
    {
        if (!module_)
            return;
        if (started_)
            ZhdCallUnload();
        FreeLibrary(module_);
    }

    // Why the plug-in cannot run; empty when Startup succeeded.
    std::string Start()
    {
        if (!module_)
            return "cannot load the plug-in (error " + std::to_string(GetLastError()) + ")";
        auto startup =
            reinterpret_cast<std::int32_t (*)()>(reinterpret_cast<void*>(GetProcAddress(module_, "Startup")));
        if (!startup)
            return "no Startup export";
        std::int32_t result = startup();
        started_ = true;
        return result == 0 ? "" : "Startup returned " + std::to_string(result);
    }

private:
    HMODULE module_;
    bool started_ = false;
};

int RunSession(const Options& options)
{
    if (ZhdLoadDrawingFile(options.drawing.c_str()) != 0) {
        Report(Utf8FromWide(options.drawing) + ": " + zhd::LastError());
        return BadDrawing;
    }
    std::string scriptName = Utf8FromWide(options.script);
    std::optional<std::vector<Line>> lines;
    if (options.mode == Mode::Script && !(lines = ReadScript(options.script)))
        return BadScript;

    LoadedPlugin plugin(options.plugin);
    std::string refused = plugin.Start();
    if (!refused.empty()) {
        Report(Utf8FromWide(options.plugin) + ": " + refused);
        return BadPlugin;
    }
    if (!ZhdCreateWindow() && options.mode == Mode::ByHand) {
        Report("no display for the host window: give a --script, or use --console");
        return Usage;
    }
    ZhdSetKeepTranscript(0);
    ZhdSetEcho(1);

    Session session{options, {}};
    int status = Done;
    switch (options.mode) {
    case Mode::ByHand:
        ZhdSetCommandIcon(CommandIconPath(options.plugin).c_str());
        ZhdSetModalMessageBoxes(1);
        ZhdRunWindow();
        break;
    case Mode::Console:
        RunConsole(session);
        break;
    case Mode::Script:
        ZhdWatchDialogs(1);
        status = RunScript(*lines, session, scriptName);
        ZhdWatchDialogs(0);
        break;
    }
    ZhdSetEcho(0);
    if (status == Done && !options.out.empty() && ZhdSaveDrawingFile(options.out.c_str()) != 0) {
        Report(Utf8FromWide(options.out) + ": " + zhd::LastError());
        status = BadOutput;
    }
    return status;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    // The transcript is UTF-8 with plain line feeds on every platform, as tests from outside read it.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    try {
        std::optional<Options> options = ParseOptions(argc, argv);
        if (!options)
            return Usage;
        if (options->help) {
            PrintHelp();
            return Done;
        }
        return RunSession(*options);
    } catch (const std::exception& e) {
        Report(e.what());
        return 1;
    }
}
