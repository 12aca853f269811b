// zelhost: the stand-in host as a program. It loads a drawing and the plug-in, calls Startup,
// runs a session script (or the same lines typed at its console), writes what the host showed
// to standard output as it happens, and saves the drawing at the end.
//
//   zelhost --drawing FILE.json [--plugin PATH] [--script FILE | -] [--out FILE.json] [--snapshots DIR]
#include "../host/ZelLib.h"
#include "Drawing.h"
#include "ZelHostDriver.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

using zelhost::Utf8FromWide;
using zelhost::WideFromUtf8;

namespace {

enum Exit { Done = 0, Usage = 2, BadDrawing = 3, BadPlugin = 4, BadScript = 5, BadOutput = 6 };

const wchar_t SettingsKey[] = L"SOFTWARE\\Tarnwick\\ZEL\\Sorvane";

struct Options {
    std::wstring drawing, plugin, script, out, snapshots = L".";
    bool console = true;
};

void Report(const std::string& text)
{
    std::string line = "zelhost: " + text + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
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
        if (i + 1 >= argc) {
            Report("option " + Utf8FromWide(name) + " needs a value");
            return std::nullopt;
        }
        std::wstring value = argv[++i];
        if (name == L"--drawing")
            options.drawing = value;
        else if (name == L"--plugin")
            options.plugin = value;
        else if (name == L"--script") {
            options.script = value;
            options.console = value == L"-";
        } else if (name == L"--out")
            options.out = value;
        else if (name == L"--snapshots")
            options.snapshots = value;
        else {
            Report("unknown option " + Utf8FromWide(name));
            return std::nullopt;
        }
    }
    if (options.drawing.empty()) {
        Report("usage: zelhost --drawing FILE.json [--plugin PATH] [--script FILE | -] [--out FILE.json] [--snapshots "
               "DIR]");
        return std::nullopt;
    }
    return options;
}

// One line of a session script, checked before anything runs.
struct Step {
    int line = 0;
    std::string verb;
    std::vector<std::string> words;  // the words after the verb
    std::string rest;                // the line after the verb and one blank, as typed
};

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

bool IsInteger(const std::string& word)
{
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(word.c_str(), &end, 10);
    return !word.empty() && *end == '\0' && errno == 0 && value >= INT32_MIN && value <= INT32_MAX;
}

bool IsNumber(const std::string& word)
{
    char* end = nullptr;
    std::strtod(word.c_str(), &end);
    return !word.empty() && *end == '\0';
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
        const std::string& count = words[1];
        if (count.size() < 2 || count[0] != 'x' || !IsInteger(count.substr(1)))
            return std::nullopt;
        press.downs = std::atoi(count.c_str() + 1);
        if (press.downs < 1 || press.downs > 100)
            return std::nullopt;
    }
    return press;
}

// Why a step cannot be run, or an empty text when it can.
std::string Check(const Step& s)
{
    const std::vector<std::string>& w = s.words;
    auto integers = [&](size_t count) {
        if (w.size() != count)
            return s.verb + " takes " + std::to_string(count) + (count == 1 ? " number" : " numbers");
        for (const std::string& word : w)
            if (!IsInteger(word))
                return "not a whole number: " + word;
        return std::string();
    };
    if (s.verb == "command" || s.verb == "confirm")
        return w.empty() ? "" : s.verb + " takes nothing";
    if (s.verb == "keyin")
        return "";
    if (s.verb == "pick" || s.verb == "event" || s.verb == "wait")
        return integers(1);
    if (s.verb == "point")
        return w.size() == 2 && IsNumber(w[0]) && IsNumber(w[1]) ? "" : "point takes two numbers X Y";
    if (s.verb == "press")
        return ParsePress(w) ? "" : "press [ctrl+][shift+][alt+]right|left|delete [xN], N from 1 to 100";
    if (s.verb == "dialog") {
        if (w.size() == 1 && (w[0] == "ok" || w[0] == "cancel"))
            return "";
        if (w.size() == 2 && w[0] == "click" && IsInteger(w[1]))
            return "";
        if (w.size() == 2 && w[0] == "snapshot")
            return "";
        return "dialog click ID | dialog ok | dialog cancel | dialog snapshot NAME";
    }
    if (s.verb == "registry") {
        if (w.size() == 1 && w[0] == "delete")
            return "";
        if (!w.empty() && w[0] == "Method")
            return "";
        return "registry Method TEXT | registry delete";
    }
    if (s.verb == "fault") {
        const std::string kind = w.empty() ? "" : w[0];
        bool oneId =
            kind == "comment" || kind == "comment-null" || kind == "delete" || kind == "search" || kind == "getpoint";
        if ((oneId && w.size() == 2 && IsInteger(w[1])) ||
            (kind == "head" && w.size() == 3 && IsInteger(w[1]) && IsInteger(w[2])))
            return "";
        return "fault comment|comment-null|delete|search|getpoint N, or fault head SEGMENT ELEMENT";
    }
    if (s.verb == "snapshot")
        return w.size() == 1 ? "" : "snapshot NAME";
    return "unknown line: " + s.verb;
}

std::optional<Step> ParseLine(const std::string& raw, int number, std::string& error)
{
    std::string text = raw;
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos || text[first] == '#')
        return std::nullopt;
    Step step;
    step.line = number;
    size_t verbEnd = text.find_first_of(" \t", first);
    step.verb = text.substr(first, verbEnd == std::string::npos ? std::string::npos : verbEnd - first);
    if (verbEnd != std::string::npos)
        step.rest = text.substr(verbEnd + 1);
    step.words = Words(step.rest);
    error = Check(step);
    return step;
}

bool ReadFileBytes(const std::wstring& path, std::string& contents)
{
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file)
        return false;
    char chunk[65536];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
        contents.append(chunk, n);
    std::fclose(file);
    return true;
}

void SetStoredMethod(const std::optional<std::wstring>& text)
{
    if (!text) {
        RegDeleteKeyValueW(HKEY_CURRENT_USER, SettingsKey, L"Method");
        return;
    }
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, SettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExW(key, L"Method", 0, REG_SZ, reinterpret_cast<const BYTE*>(text->c_str()),
                   static_cast<DWORD>((text->size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

std::wstring PicturePath(const Options& options, const std::string& name)
{
    std::wstring file = WideFromUtf8(name);
    if (file.size() < 4 || _wcsicmp(file.c_str() + file.size() - 4, L".png") != 0)
        file += L".png";
    return options.snapshots + L"\\" + file;
}

void Say(const std::string& line)
{
    std::string out = line + "\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
}

// Carries out one checked step; an error text when the session cannot go on.
std::string Run(const Step& s, const Options& options)
{
    const std::vector<std::string>& w = s.words;
    auto number = [&](size_t i) { return static_cast<std::int32_t>(std::strtol(w[i].c_str(), nullptr, 10)); };
    bool event = s.verb == "pick" || s.verb == "point" || s.verb == "keyin" || s.verb == "confirm" || s.verb == "event";
    if (event && !ZhdIsCommandRunning())
        return "no command is waiting for " + s.verb + " (start one with \"command\")";

    if (s.verb == "command") {
        ZhdStartCommand();
    } else if (s.verb == "pick") {
        ZhdSendPick(number(0));
    } else if (s.verb == "point") {
        ZhdSendPoint(std::strtod(w[0].c_str(), nullptr), std::strtod(w[1].c_str(), nullptr));
    } else if (s.verb == "keyin") {
        ZhdSendKeyin(WideFromUtf8(s.rest).c_str());
    } else if (s.verb == "confirm") {
        ZhdSendConfirm();
    } else if (s.verb == "event") {
        ZhdSendEvent(number(0));
    } else if (s.verb == "press") {
        KeyPress press = *ParsePress(w);
        ZhdFocusKeyinLine();
        for (BYTE modifier : press.modifiers)
            keybd_event(modifier, 0, 0, 0);
        for (int i = 0; i < press.downs; ++i)
            keybd_event(press.key, 0, 0, 0);
        keybd_event(press.key, 0, KEYEVENTF_KEYUP, 0);
        for (auto modifier = press.modifiers.rbegin(); modifier != press.modifiers.rend(); ++modifier)
            keybd_event(*modifier, 0, KEYEVENTF_KEYUP, 0);
        ZhdPumpMessages(300);
    } else if (s.verb == "wait") {
        ZhdPumpMessages(number(0));
    } else if (s.verb == "dialog") {
        std::string answer = w[0] == "snapshot" ? "snapshot " + Utf8FromWide(PicturePath(options, w[1]))
                             : w[0] == "click"  ? "click " + w[1]
                                                : w[0];
        ZhdQueueDialogAnswer(answer.c_str());
    } else if (s.verb == "registry") {
        if (w[0] == "delete") {
            SetStoredMethod(std::nullopt);
        } else {
            std::string text = s.rest.substr(s.rest.find("Method") + 6);
            if (!text.empty() && text[0] == ' ')
                text.erase(0, 1);
            SetStoredMethod(WideFromUtf8(text));
        }
    } else if (s.verb == "fault") {
        const std::string& kind = w[0];
        std::int32_t a = w.size() > 1 ? number(1) : 0;
        if (kind == "comment")
            ZhdFaultComment(a, -1);
        else if (kind == "comment-null")
            ZhdFaultCommentNullText(a);
        else if (kind == "delete")
            ZhdFaultDelete(a);
        else if (kind == "search")
            ZhdFaultSearch(a, 1);
        else if (kind == "getpoint")
            ZhdFaultGetPoint(a);
        else if (kind == "head")
            ZhdFaultHeadElement(a, number(2));
        else if (kind == "keyin-null")
            ZhdFaultKeyinNull();
    } else if (s.verb == "snapshot") {
        std::wstring path = PicturePath(options, w[0]);
        if (ZhdSnapshotView(path.c_str(), 800, 576) != 0)
            return "cannot write " + Utf8FromWide(path);
        Say("snapshot: " + Utf8FromWide(path.substr(path.find_last_of(L"\\/") + 1)));
    }
    return "";
}

int Session(const Options& options)
{
    std::string drawingText;
    if (!ReadFileBytes(options.drawing, drawingText)) {
        Report(Utf8FromWide(options.drawing) + ": cannot read the drawing");
        return BadDrawing;
    }
    if (ZhdLoadDrawingJson(drawingText.c_str()) != 0) {
        Report(Utf8FromWide(options.drawing) + ": " + zhd::LastError());
        return BadDrawing;
    }

    std::vector<Step> steps;
    std::string scriptName = options.console ? "console" : Utf8FromWide(options.script);
    if (!options.console) {
        std::string script;
        if (!ReadFileBytes(options.script, script)) {
            Report(scriptName + ": cannot read the script");
            return BadScript;
        }
        if (script.rfind("\xEF\xBB\xBF", 0) == 0)
            script.erase(0, 3);
        int number = 0;
        for (const std::string& raw : zhd::Lines(script)) {
            std::string error;
            std::optional<Step> step = ParseLine(raw, ++number, error);
            if (!step)
                continue;
            if (!error.empty()) {
                Report(scriptName + ":" + std::to_string(number) + ": " + error);
                return BadScript;
            }
            steps.push_back(*step);
        }
    }

    HMODULE plugin = LoadLibraryW(options.plugin.c_str());
    if (!plugin) {
        Report(Utf8FromWide(options.plugin) + ": cannot load the plug-in (error " + std::to_string(GetLastError()) +
               ")");
        return BadPlugin;
    }
    auto startup = reinterpret_cast<std::int32_t (*)()>(reinterpret_cast<void*>(GetProcAddress(plugin, "Startup")));
    std::int32_t started = startup ? startup() : -1;
    if (started != 0) {
        Report(Utf8FromWide(options.plugin) +
               (startup ? ": Startup returned " + std::to_string(started) : ": no Startup export"));
        FreeLibrary(plugin);
        return BadPlugin;
    }
    ZhdCreateWindow();
    ZhdSetEcho(1);

    int status = Done;
    auto runStep = [&](const Step& step) {
        Say("> " + step.verb + (step.rest.empty() ? "" : " " + step.rest));
        return Run(step, options);
    };
    if (options.console) {
        char buffer[4096];
        int number = 0;
        for (;;) {
            std::string shown = (ZhdIsCommandRunning() ? zhd::Prompt() : std::string("(no command)")) + " > ";
            std::fwrite(shown.data(), 1, shown.size(), stderr);
            if (!std::fgets(buffer, sizeof buffer, stdin))
                break;
            std::string line(buffer);
            while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
                line.pop_back();
            if (line == "quit" || line == "exit")
                break;
            std::string error;
            std::optional<Step> step = ParseLine(line, ++number, error);
            if (!step)
                continue;
            if (error.empty())
                error = runStep(*step);
            if (!error.empty())
                Report("console:" + std::to_string(number) + ": " + error);
        }
    } else {
        for (const Step& step : steps) {
            std::string error = runStep(step);
            if (!error.empty()) {
                Report(scriptName + ":" + std::to_string(step.line) + ": " + error);
                status = BadScript;
                break;
            }
        }
    }
    ZhdSetEcho(0);

    if (status == Done && !options.out.empty() && ZhdSaveDrawingFile(options.out.c_str()) != 0) {
        Report(Utf8FromWide(options.out) + ": " + zhd::LastError());
        status = BadOutput;
    }
    ZhdCallUnload();
    FreeLibrary(plugin);
    return status;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    try {
        std::optional<Options> options = ParseOptions(argc, argv);
        return options ? Session(*options) : Usage;
    } catch (const std::exception& e) {
        Report(e.what());
        return 1;
    }
}
