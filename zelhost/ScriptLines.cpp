#include "zelhost/ScriptLines.h"

#include "base/SettingsKey.h"
#include "base/UniqueHandle.h"
#include "zelhost/Files.h"
#include "zelhost/SystemInput.h"
#include "zelhost/Utf8.h"
#include "zelhost/ZelHostDriver.h"

#include <windows.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace zelhost {

namespace {

const std::wstring SettingsKey = std::wstring(SettingsKeyPrefix) + PluginSettingsSubkey;
constexpr int LongestWait = 60000;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A number as a person writes it, in decimal: [+-]digits, and unless `integer` a fraction and an
// exponent ([.digits][e[+-]digits]). No hexadecimal, infinity or NaN, which the C library
// would read too.
bool IsDecimal(const std::string& word, bool integer)
{
    size_t at = word.empty() || (word[0] != '+' && word[0] != '-') ? 0 : 1;
    size_t digits = 0;
    auto skipDigits = [&] {
        size_t from = at;
        while (at < word.size() && IsDigit(word[at]))
            ++at;
        return at - from;
    };
    digits += skipDigits();
    if (!integer && at < word.size() && word[at] == '.') {
        ++at;
        digits += skipDigits();
    }
    if (digits == 0)
        return false;
    if (!integer && at < word.size() && (word[at] == 'e' || word[at] == 'E')) {
        ++at;
        if (at < word.size() && (word[at] == '+' || word[at] == '-'))
            ++at;
        if (skipDigits() == 0)
            return false;
    }
    return at == word.size();
}

bool IsInteger(const std::string& word, long low = INT32_MIN, long high = INT32_MAX)
{
    errno = 0;
    long value = std::strtol(word.c_str(), nullptr, 10);
    return IsDecimal(word, true) && errno == 0 && value >= low && value <= high;
}

bool IsNumber(const std::string& word)
{
    return IsDecimal(word, false) && std::isfinite(std::strtod(word.c_str(), nullptr));
}

std::int32_t Integer(const std::string& word)
{
    return static_cast<std::int32_t>(std::strtol(word.c_str(), nullptr, 10));
}
double Number(const std::string& word) { return std::strtod(word.c_str(), nullptr); }

constexpr const char* PressSyntax = "press [ctrl+][shift+][alt+]right|left|delete|escape [xN]";

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
    for (auto [name, key] : {std::pair{"right", VK_RIGHT}, std::pair{"left", VK_LEFT}, std::pair{"delete", VK_DELETE},
                             std::pair{"escape", VK_ESCAPE}}) {
        if (rest == name)
            press.key = static_cast<BYTE>(key);
    }
    if (!press.key)
        return std::nullopt;
    if (words.size() == 2) {
        if (words[1].size() < 2 || words[1][0] != 'x' || !IsInteger(words[1].substr(1), 1, 100))
            return std::nullopt;
        press.downs = Integer(words[1].substr(1));
    }
    return press;
}

// A picture's NAME stays a file in the snapshots folder: no folder, drive, stream or device.
bool IsPictureName(const std::string& name)
{
    if (name.empty() || name.find_first_of("\\/:") != std::string::npos)
        return false;
    for (unsigned char c : name)
        if (c < 0x20)
            return false;
    std::string stem = name.substr(0, name.find('.'));
    stem.erase(stem.find_last_not_of(' ') + 1);
    for (char& c : stem)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    bool numbered = stem.size() == 4 && stem[3] >= '1' && stem[3] <= '9' &&
                    (stem.rfind("com", 0) == 0 || stem.rfind("lpt", 0) == 0);
    return !numbered && stem != "con" && stem != "prn" && stem != "aux" && stem != "nul";
}

std::wstring PicturePath(const Session& session, const std::string& name)
{
    std::wstring file = WideFromUtf8(name);
    if (file.size() < 4 || _wcsicmp(file.c_str() + file.size() - 4, L".png") != 0)
        file += L".png";
    return session.snapshots + L"\\" + file;
}

void StoreMethod(const std::optional<std::wstring>& text)
{
    if (!text) {
        RegDeleteKeyValueW(HKEY_CURRENT_USER, SettingsKey.c_str(), L"Method");
        return;
    }
    HKEY opened = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, SettingsKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened,
                        nullptr) != ERROR_SUCCESS)
        return;
    UniqueKey key(opened);
    RegSetValueExW(key.Get(), L"Method", 0, REG_SZ, reinterpret_cast<const BYTE*>(text->c_str()),
                   static_cast<DWORD>((text->size() + 1) * sizeof(wchar_t)));
}

std::string Nothing(const Line& line) { return line.words.empty() ? "" : "takes nothing"; }
std::string Anything(const Line&) { return ""; }

std::string TwoNumbers(const Line& line)
{
    return line.words.size() == 2 && IsNumber(line.words[0]) && IsNumber(line.words[1])
               ? ""
               : "takes two finite numbers X Y";
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

std::string PictureName(const Line& line)
{
    return line.words.size() == 1 && IsPictureName(line.words[0])
               ? ""
               : "takes a NAME for a file in the snapshots folder: no folder, drive or device";
}

std::string QueueAnswer(const std::string& answer, const Line& line, Session& session)
{
    ZhdQueueDialogAnswer(answer.c_str());
    session.answerLines.push_back(line.number);
    return "";
}

std::string ClickAt(const Line& line, DWORD down, DWORD up)
{
    return Click(Number(line.words[0]), Number(line.words[1]), down, up)
               ? ""
               : "the point is not in the view (fit shows the whole drawing)";
}

// A line that does its work and cannot fail.
template <class Work>
std::string Done(Work work)
{
    work();
    return "";
}

struct Verb {
    const char* name;
    const char* syntax;
    const char* help;
    bool needsCommand;  // for the command that runs, the plug-in's or the host's own
    std::string (*check)(const Line&);
    std::string (*run)(const Line&, Session&);
};

const Verb Verbs[] = {
    {"command", "command", "starts the plug-in's command", false, Nothing,
     [](const Line&, Session&) { return Done(ZhdStartCommand); }},
    {"text", "text",
     "starts the host's own text command, as F3 does: a text annotation at a data point, its text the next key-in",
     false, Nothing, [](const Line&, Session&) { return Done(ZhdStartTextCommand); }},
    {"cancel", "cancel", "cancels the command that runs, as Escape does; the plug-in is not told", true, Nothing,
     [](const Line&, Session&) { return Done(ZhdCancelCommand); }},
    {"pick", "pick ID", "an element pick of element ID, at its point", true,
     [](const Line& l) { return IntegerWords(l, 1, "an element id"); },
     [](const Line& l, Session&) { return Done([&] { ZhdSendPick(Integer(l.words[0])); }); }},
    {"point", "point X Y", "a data point at X, Y", true, TwoNumbers,
     [](const Line& l, Session&) { return Done([&] { ZhdSendPoint(Number(l.words[0]), Number(l.words[1])); }); }},
    {"keyin", "keyin TEXT", "a key-in of the rest of the line, possibly empty", true, Anything,
     [](const Line& l, Session&) { return Done([&] { ZhdSendKeyin(WideFromUtf8(l.rest).c_str()); }); }},
    {"confirm", "confirm", "a confirm", true, Nothing, [](const Line&, Session&) { return Done(ZhdSendConfirm); }},
    {"event", "event KIND", "an event of another kind, without a point", true,
     [](const Line& l) { return IntegerWords(l, 1, "an event kind"); },
     [](const Line& l, Session&) { return Done([&] { ZhdSendEvent(Integer(l.words[0])); }); }},
    {"press", PressSyntax,
     "a real key press through the system's keyboard input, the host's key-in line focused; xN holds it down for N "
     "key-downs (1 to 100), a keyboard's auto-repeat apart, before its key-up",
     false,
     [](const Line& l) {
         return ParsePress(l.words) ? std::string() : std::string("takes") + (PressSyntax + std::strlen("press"));
     },
     [](const Line& l, Session&) { return Done([&] { Press(*ParsePress(l.words)); }); }},
    {"click", "click X Y",
     "a left click at drawing point X, Y through the system's mouse input: a pick or a data point, as the prompt takes",
     false, TwoNumbers, [](const Line& l, Session&) { return ClickAt(l, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP); }},
    {"rightclick", "rightclick X Y", "a right click at drawing point X, Y: a confirm", false, TwoNumbers,
     [](const Line& l, Session&) { return ClickAt(l, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP); }},
    {"move", "move X Y", "moves the pointer over drawing point X, Y (the rubber band of a window follows it)", false,
     TwoNumbers,
     [](const Line& l, Session&) {
         ZhdFocusKeyinLine();
         return MovePointer(Number(l.words[0]), Number(l.words[1]))
                    ? std::string()
                    : std::string("the point is not in the view (fit shows the whole drawing)");
     }},
    {"fit", "fit", "fits the whole drawing into the view, as Home does; the plug-in is not told", false, Nothing,
     [](const Line&, Session&) {
         return Done([] {
             ZhdFitView();
             ZhdPumpMessages(50);
         });
     }},
    {"dialog click", "dialog click ID",
     "the answer for the next modal dialog, carried out inside its modal loop: a click of its control ID", false,
     [](const Line& l) { return IntegerWords(l, 1, "a control id"); },
     [](const Line& l, Session& s) { return QueueAnswer("click " + l.words[0], l, s); }},
    {"dialog ok", "dialog ok", "the answer for the next modal dialog: OK", false, Nothing,
     [](const Line& l, Session& s) { return QueueAnswer("ok", l, s); }},
    {"dialog cancel", "dialog cancel", "the answer for the next modal dialog: Cancel", false, Nothing,
     [](const Line& l, Session& s) { return QueueAnswer("cancel", l, s); }},
    {"dialog snapshot", "dialog snapshot NAME",
     "the answer for the next modal dialog: a picture of it as the screen shows it, NAME.png in the snapshots folder",
     false, PictureName,
     [](const Line& l, Session& s) {
         return QueueAnswer("snapshot " + Utf8FromWide(PicturePath(s, l.words[0])), l, s);
     }},
    {"registry Method", "registry Method TEXT", "sets the stored search method to the rest of the line", false,
     Anything, [](const Line& l, Session&) { return Done([&] { StoreMethod(WideFromUtf8(l.rest)); }); }},
    {"registry delete", "registry delete", "removes the stored search method", false, Nothing,
     [](const Line&, Session&) { return Done([] { StoreMethod(std::nullopt); }); }},
    {"fault comment", "fault comment ELEMENT", "ZelCmtGetComment fails (-1) for that element", false,
     [](const Line& l) { return IntegerWords(l, 1, "an element id"); },
     [](const Line& l, Session&) { return Done([&] { ZhdFaultComment(Integer(l.words[0]), -1); }); }},
    {"fault comment-null", "fault comment-null ELEMENT", "ZelCmtGetComment reports success for it with a null text",
     false, [](const Line& l) { return IntegerWords(l, 1, "an element id"); },
     [](const Line& l, Session&) { return Done([&] { ZhdFaultCommentNullText(Integer(l.words[0])); }); }},
    {"fault delete", "fault delete SEGMENT", "ZelSgmDeleteSegment fails (-1) for that segment", false,
     [](const Line& l) { return IntegerWords(l, 1, "a segment id"); },
     [](const Line& l, Session&) { return Done([&] { ZhdFaultDelete(Integer(l.words[0])); }); }},
    {"fault search", "fault search N",
     "the N-th segment search from now (N from 1) fails (returns 1); each collection makes two, a clearing search "
     "over the whole drawing and then the search itself",
     false,
     [](const Line& l) {
         return l.words.size() == 1 && IsInteger(l.words[0], 1, INT32_MAX)
                    ? std::string()
                    : std::string("takes N from 1 (the next search) to 2147483647");
     },
     [](const Line& l, Session&) { return Done([&] { ZhdFaultSearch(Integer(l.words[0]), 1); }); }},
    {"fault getpoint", "fault getpoint R", "the next ZelEvtGetPoint returns R", false,
     [](const Line& l) { return IntegerWords(l, 1, "a result R"); },
     [](const Line& l, Session&) { return Done([&] { ZhdFaultGetPoint(Integer(l.words[0])); }); }},
    {"fault head", "fault head SEGMENT ELEMENT", "ZelSgmGetHeadElementId answers ELEMENT for that segment", false,
     [](const Line& l) { return IntegerWords(l, 2, "a segment and an element id"); },
     [](const Line& l, Session&) {
         return Done([&] { ZhdFaultHeadElement(Integer(l.words[0]), Integer(l.words[1])); });
     }},
    {"fault keyin-null", "fault keyin-null", "the next ZelEvtGetKeyinString returns a null text", false, Nothing,
     [](const Line&, Session&) { return Done(ZhdFaultKeyinNull); }},
    {"snapshot", "snapshot NAME", "a picture of the drawing view, NAME.png in the snapshots folder", false, PictureName,
     [](const Line& l, Session& s) {
         std::wstring path = PicturePath(s, l.words[0]);
         if (ZhdSnapshotView(path.c_str(), 800, 576) != 0)
             return "cannot write " + Utf8FromWide(path);
         Print("snapshot: " + Utf8FromWide(path.substr(path.find_last_of(L"\\/") + 1)) + "\n");
         return std::string();
     }},
    {"wait", "wait MS", "lets the host's windows run for MS milliseconds (at most 60000)", false,
     [](const Line& l) {
         return l.words.size() == 1 && IsInteger(l.words[0], 0, LongestWait) ? std::string()
                                                                             : std::string("takes MS from 0 to 60000");
     },
     [](const Line& l, Session&) { return Done([&] { ZhdPumpMessages(Integer(l.words[0])); }); }},
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

// Why the line's bytes cannot be a line at all; empty when they can. A NUL would cut a key-in
// short, and a carriage return alone would run the rest of the file as one line.
std::string BadBytes(const std::string& text)
{
    if (text.find('\0') != std::string::npos)
        return "the line holds a NUL character";
    if (text.find('\r') != std::string::npos)
        return "the line holds a carriage return: lines end with LF or CRLF";
    if (!IsUtf8(text))
        return "the line is not valid UTF-8";
    return "";
}

// The verb and its words; a verb of two words takes the second word into its name.
Line Split(const std::string& text, size_t first, int number)
{
    Line line;
    line.number = number;
    size_t verbEnd = text.find_first_of(" \t", first);
    line.verb = text.substr(first, verbEnd == std::string::npos ? std::string::npos : verbEnd - first);
    if (verbEnd != std::string::npos)
        line.rest = text.substr(verbEnd + 1);
    line.words = Words(line.rest);
    if (!line.words.empty() && FindVerb(line.verb + " " + line.words[0])) {
        size_t secondEnd = line.rest.find_first_not_of(" \t") + line.words[0].size();
        line.verb += " " + line.words[0];
        line.words.erase(line.words.begin());
        line.rest = secondEnd < line.rest.size() ? line.rest.substr(secondEnd + 1) : "";
    }
    return line;
}

}  // namespace

void Print(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

std::optional<Line> ParseLine(std::string text, int number, std::string& error)
{
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    if (!(error = BadBytes(text)).empty())
        return std::nullopt;
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos || text[first] == '#')
        return std::nullopt;
    Line line = Split(text, first, number);
    const Verb* verb = FindVerb(line.verb);
    std::string forms = FormsOf(line.verb);
    if (!verb)
        error = forms.empty() ? "unknown line: " + line.verb : "one of " + forms;
    else if (!(error = verb->check(line)).empty())
        error = line.verb + " " + error;
    return line;
}

std::optional<std::vector<Line>> ReadScript(const std::wstring& path, std::string& error)
{
    std::string name = Utf8FromWide(path);
    std::string script;
    if (!ReadFileBytes(path, script)) {
        error = name + ": cannot read the script";
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
        std::optional<Line> line = ParseLine(script.substr(start, end - start), number, error);
        start = end + 1;
        if (!error.empty()) {
            error = name + ":" + std::to_string(number) + ": " + error;
            return std::nullopt;
        }
        if (line)
            lines.push_back(*line);
    }
    return lines;
}

std::string RunLine(const Line& line, Session& session)
{
    // A dialog's answer waits for its dialog and shows when the dialog takes it ("dialog: ok"),
    // after the line that opened it.
    if (line.verb.rfind("dialog ", 0) != 0)
        Print("> " + line.verb + (line.rest.empty() ? "" : " " + line.rest) + "\n");
    const Verb& verb = *FindVerb(line.verb);
    if (verb.needsCommand && !ZhdIsCommandRunning() && !ZhdIsTextCommandRunning())
        return "no command is running for " + line.verb + R"( (start one with "command" or "text"))";
    std::string error = verb.run(line, session);
    if (error.empty()) {
        std::string failure = zhd::DialogFailure();
        if (!failure.empty())
            error = failure + "; the host cancelled it";
    }
    return error;
}

std::string ScriptHelp()
{
    std::string rows;
    for (const Verb& verb : Verbs) {
        char row[128];
        std::snprintf(row, sizeof row, "  %-52s  ", verb.syntax);
        rows += row + std::string(verb.help) + "\n";
    }
    return rows;
}

}  // namespace zelhost
