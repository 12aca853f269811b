// zelhost: the stand-in host as a program. It loads a drawing and the plug-in, calls Startup,
// runs a session script (or the same lines typed at its console), writes what the host showed
// to standard output as it happens, and saves the drawing at the end. `zelhost --help` lists the
// script lines; README.md documents everything.
#include "zelhost/ScriptLines.h"
#include "zelhost/SystemInput.h"
#include "zelhost/Utf8.h"
#include "zelhost/ZelHostDriver.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

using namespace zelhost;

namespace {

enum Exit { Done = 0, Usage = 2, BadDrawing = 3, BadPlugin = 4, BadScript = 5, BadOutput = 6 };

constexpr char UsageText[] =
    "usage: zelhost --drawing FILE.json [--plugin PATH] [--script FILE | --console] [--out FILE.json] "
    "[--snapshots DIR] [--host SETTING]...";

// How the session is driven: by a person in the host window, by lines typed at the console, or
// by a script.
enum class Mode { ByHand, Console, Script };

struct Options {
    std::wstring drawing, plugin, script, out, snapshots = L".";
    std::vector<std::string> hostKinds;  // the settings of --host, in order
    Mode mode = Mode::ByHand;
    bool help = false;
};

void Report(const std::string& text)
{
    std::string line = "zelhost: " + text + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

void PrintHelp()
{
    Print(std::string(UsageText) + " [--help]\n\nScript lines, one a line (the same typed at the console):\n" +
          ScriptHelp() + "\nKeys (KEY): " + KeyNames +
          "\n\nHost kinds (--host SETTING, or the script line host SETTING; the first of each pair is the default):\n" +
          zhd::Read(ZhdGetHostKinds));
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
        } else if (name == L"--host") {
            options.hostKinds.push_back(Utf8FromWide(value));
            if (ZhdCheckHostKind(options.hostKinds.back().c_str()) != 0) {
                // A setting of two words given as two arguments: say how to give it.
                std::string hint;
                if (value.find(L' ') == std::wstring::npos && i + 1 < argc && argv[i + 1][0] != L'-')
                    hint = " (a setting is one argument: --host \"" + options.hostKinds.back() + " " +
                           Utf8FromWide(argv[i + 1]) + "\")";
                Report("--host " + options.hostKinds.back() + ": " + zhd::LastError() + hint);
                return std::nullopt;
            }
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

// A console line of any length and every byte of it, without its line feed; none at the end of
// the input.
std::optional<std::string> ReadConsoleLine()
{
    std::string line;
    int c = 0;
    while ((c = std::getc(stdin)) != EOF && c != '\n')
        line += static_cast<char>(c);
    if (c == EOF && line.empty())
        return std::nullopt;
    return line;
}

int RunScript(const std::vector<Line>& lines, Session& session, const std::string& name)
{
    for (const Line& line : lines) {
        std::string error = RunLine(line, session);
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
        bool running = ZhdIsCommandRunning() || ZhdIsTextCommandRunning();
        std::string shown = (running ? zhd::Prompt() : std::string("(no command)")) + " > ";
        std::fwrite(shown.data(), 1, shown.size(), stderr);
        std::optional<std::string> text = ReadConsoleLine();
        if (!text || *text == "quit" || *text == "exit")
            return;
        std::string error;
        std::optional<Line> line = ParseLine(*text, number, error);
        if (line && error.empty())
            error = RunLine(*line, session);
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
    std::string refusal;
    if (options.mode == Mode::Script && !(lines = ReadScript(options.script, refusal))) {
        Report(refusal);
        return BadScript;
    }

    LoadedPlugin plugin(options.plugin);
    std::string refused = plugin.Start();
    if (!refused.empty()) {
        Report(Utf8FromWide(options.plugin) + ": " + refused);
        return BadPlugin;
    }
    for (const std::string& setting : options.hostKinds)
        ZhdSetHostKind(setting.c_str());
    if (!ZhdCreateWindow() && options.mode == Mode::ByHand) {
        Report("no display for the host window: give a --script, or use --console");
        return Usage;
    }
    ZhdSetKeepTranscript(0);
    ZhdSetEcho(1);

    Session session{options.snapshots, {}};
    int status = Done;
    switch (options.mode) {
    case Mode::ByHand:
        ZhdSetCommandIcon(CommandIconPath(options.plugin).c_str());
        ZhdSetModalMessageBoxes(1);
        ZhdSetTranscribeWindowInput(1);
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
    // The transcript is UTF-8 with plain line feeds on every platform, as tests from outside read
    // it; console lines are read as they come, a NUL or a carriage return included.
    _setmode(_fileno(stdin), _O_BINARY);
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
