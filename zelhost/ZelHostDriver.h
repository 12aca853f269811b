// The stand-in host's own driver interface, for tests and the host program: it plays the host
// application's side of ZelLib. Everything runs on the calling thread, which acts as the host's
// user-interface thread.
//
// A transcript records what the host showed, one UTF-8 line each (README.md lists them all):
//   prompt: / cursor: / info: / error: / messagebox: TEXT
//   zoom: XMIN YMIN XMAX YMAX          blink: QUALIFIER/SEGMENT ...
//   result: finish|advance|stay        dialog: ...
//   host command: text / cancelled     keyin to the host: / keyin to no command: TEXT
//   host selected: / host deleted: segment S              palette: TEXT
//   > LINE                             by hand, what the person did, as a script line
// The violations list records every breach of the command protocol the host noticed. A call
// log, kept only when asked for, records every ZelLib call with its arguments (one line each).
#pragma once

#include <ZelLib.h>

#include <cstdint>
#include <string>
#include <vector>

#ifdef ZELLIB_BUILD
#define ZHDAPI extern "C" __declspec(dllexport)
#else
#define ZHDAPI extern "C" __declspec(dllimport)
#endif

// Forgets the drawing, the registration, the running command, faults, logs and violations.
ZHDAPI void ZhdReset();

// 0 on success; otherwise non-zero and the drawing is unchanged, with the reason in ZhdLastError.
ZHDAPI std::int32_t ZhdLoadDrawingJson(const char* utf8Json);
ZHDAPI std::int32_t ZhdLoadDrawingFile(const wchar_t* path);
// Appends a segment of one element, for drawings too large to build as JSON; 0 on success.
ZHDAPI std::int32_t ZhdAddSegment(std::int32_t segmentId, std::int32_t qualifier, std::int32_t elementId,
                                  std::int32_t type, double x, double y, const wchar_t* text);
// Writes the whole drawing or nothing (see SafeWrite in Files.h); another save of the same file
// under way makes it fail.
ZHDAPI std::int32_t ZhdSaveDrawingFile(const wchar_t* path);

// Registration and the plug-in's command. ZhdStartCommand and the event calls return the state
// result of the command's execute function (or -1 when there is nothing to call).
ZHDAPI std::int32_t ZhdIsRegistered();
ZHDAPI std::int32_t ZhdCallUnload();
ZHDAPI std::int32_t ZhdCallSecond();
ZHDAPI std::int32_t ZhdStartCommand();
// Starts a run at a given ready function instead of the registered start function.
ZHDAPI std::int32_t ZhdStartAt(ZelReadyFunc ready);
// Whether a pass of the plug-in's command runs.
ZHDAPI std::int32_t ZhdIsCommandRunning();

// The host's own text command (TextCommand.h): a text annotation placed at a data point, its
// text the next key-in. One command runs at a time: starting it ends a pass of the plug-in's
// command without telling the plug-in, and starting the plug-in's command ends it. While it
// runs, the event calls go to it and return what it made of them (advance: it took the point;
// finish: it placed the text; stay: it took nothing). 0, or -1 while the plug-in handles an
// event (the host ends no pass under it).
ZHDAPI std::int32_t ZhdStartTextCommand();
ZHDAPI std::int32_t ZhdIsTextCommandRunning();
// Cancels the command that runs, the plug-in's or the host's own, as Escape does; the plug-in is
// not told. 0, or -1 when none runs (or while the plug-in handles an event).
ZHDAPI std::int32_t ZhdCancelCommand();

// The kind of host the stand-in is (HostKinds.h), one setting at a time ("keyin floating",
// "delay 800"): 0 when set, 1 when it names no setting (ZhdGetLastError says why). ZhdCheckHostKind
// only answers whether it would be set; ZhdGetHostKinds lists the settings, one a line.
ZHDAPI std::int32_t ZhdSetHostKind(const char* setting);
ZHDAPI std::int32_t ZhdCheckHostKind(const char* setting);
ZHDAPI std::int32_t ZhdGetHostKinds(char* buffer, std::int32_t capacity);

// Events for the command that runs. With none running, each is a violation: a test that sends
// one expected a command to run. (A key-in typed on the host window's key-in line with no
// command running is the person's, and only goes into the transcript.)
ZHDAPI std::int32_t ZhdSendPick(std::int32_t elementId);
ZHDAPI std::int32_t ZhdSendPoint(double x, double y);
ZHDAPI std::int32_t ZhdSendKeyin(const wchar_t* text);
ZHDAPI std::int32_t ZhdSendConfirm();
ZHDAPI std::int32_t ZhdSendEvent(std::int32_t kind);

// Faults. Each stays in force until ZhdReset unless said otherwise.
ZHDAPI void ZhdFaultRegister(std::int32_t result);
ZHDAPI void ZhdFaultComment(std::int32_t elementId, std::int32_t result);
ZHDAPI void ZhdFaultCommentNullText(std::int32_t elementId);
ZHDAPI void ZhdFaultDelete(std::int32_t segmentId);
// The n-th segment search from now (1 = the next one) returns `result` without searching.
ZHDAPI void ZhdFaultSearch(std::int32_t n, std::int32_t result);
// The n-th ZelIddOpenApIdData from now (1 = the next one) opens no list: it returns null.
ZHDAPI void ZhdFaultIdListOpen(std::int32_t n);
// The next call of the ZelLib export of that name fails inside the host: it throws, as a host
// out of memory would, and gives the plug-in its failing result with a violation instead.
ZHDAPI void ZhdFaultInside(const char* function);
// The next ZelEvtGetPoint returns `result` and fills nothing.
ZHDAPI void ZhdFaultGetPoint(std::int32_t result);
// The next ZelEvtGetKeyinString returns a null text.
ZHDAPI void ZhdFaultKeyinNull();
ZHDAPI void ZhdFaultHeadElement(std::int32_t segmentId, std::int32_t elementId);

// The host window: a toolbar with the command's button, the drawing view and a key-in line, used
// with the mouse and keys as HostWindow.cpp says. The Clear key empties the key-in line.
ZHDAPI void* ZhdCreateWindow();
// The command's button shows this PNG; 0 when it could be read.
ZHDAPI std::int32_t ZhdSetCommandIcon(const wchar_t* pngPath);
ZHDAPI void ZhdFocusKeyinLine();
// A modeless palette the host window owns, with a text field (Palette.h), as F4 brings it up: in
// front, its field focused. Closing it puts "palette: TEXT" in the transcript; -1 when none is open.
ZHDAPI void ZhdOpenPalette();
ZHDAPI std::int32_t ZhdClosePalette();
ZHDAPI std::int32_t ZhdIsPaletteInFront();
// Where a drawing point is on the screen, as the view shows it now; 0 when it lies in the view.
ZHDAPI std::int32_t ZhdScreenPointOf(double x, double y, std::int32_t* screenX, std::int32_t* screenY);
// Fits the whole drawing into the view, as Home does: the person's view, not the plug-in's zoom.
ZHDAPI void ZhdFitView();
// Runs the thread's messages for `milliseconds`, returning at that deadline however busy the
// queue is; a message already waiting is handled even with no time given.
ZHDAPI void ZhdPumpMessages(std::int32_t milliseconds);
// Runs the window's messages until it is closed.
ZHDAPI void ZhdRunWindow();
// Renders the drawing view off screen into a PNG file of the given size; 0 on success.
ZHDAPI std::int32_t ZhdSnapshotView(const wchar_t* path, std::int32_t width, std::int32_t height);
// Answers for the next modal dialogs of this thread, carried out from inside their modal loop:
// "click ID", "ok", "cancel", or "snapshot PATH" (a PNG of the dialog as the screen shows it).
ZHDAPI void ZhdQueueDialogAnswer(const char* answer);
ZHDAPI std::int32_t ZhdPendingDialogAnswers();
// While watching, the host cancels a dialog that opens with no answer queued, or whose answer
// names a control it lacks; ZhdTakeDialogFailure then says why (and empties the reason).
ZHDAPI void ZhdWatchDialogs(std::int32_t enabled);
ZHDAPI std::int32_t ZhdTakeDialogFailure(char* buffer, std::int32_t capacity);

// Reading back. Each copies UTF-8 text (NUL-terminated, truncated to `capacity`) and returns
// the full length in bytes without the NUL.
ZHDAPI std::int32_t ZhdGetTranscript(char* buffer, std::int32_t capacity);
ZHDAPI std::int32_t ZhdGetCallLog(char* buffer, std::int32_t capacity);
ZHDAPI std::int32_t ZhdGetViolations(char* buffer, std::int32_t capacity);
ZHDAPI std::int32_t ZhdGetDrawingJson(char* buffer, std::int32_t capacity);
ZHDAPI std::int32_t ZhdGetLastError(char* buffer, std::int32_t capacity);
// The prompt the plug-in showed last.
ZHDAPI std::int32_t ZhdGetPrompt(char* buffer, std::int32_t capacity);
// What the host window's status bar shows: the prompt with its cursor word, the info, the error
// and the host's own word (what a click picked).
ZHDAPI std::int32_t ZhdGetStatusBar(char* buffer, std::int32_t capacity);
// The call log is off unless a test asks for it.
ZHDAPI void ZhdSetCallLogging(std::int32_t enabled);
// Every transcript line is also written to standard output as it happens.
ZHDAPI void ZhdSetEcho(std::int32_t enabled);
// The transcript is kept for ZhdGetTranscript unless turned off (the program, which echoes it).
ZHDAPI void ZhdSetKeepTranscript(std::int32_t enabled);
// ZelDlgMessageBox shows a real modal message box, owned by the host window, instead of only
// recording its text.
ZHDAPI void ZhdSetModalMessageBoxes(std::int32_t enabled);
// By hand: every command start, cancel, pick, data point, key-in and confirm the host window
// takes from the person also goes into the transcript, as the script line that does the same
// ("> pick 12", "> keyin 2668"). Off for scripts, whose own lines say it.
ZHDAPI void ZhdSetTranscribeWindowInput(std::int32_t enabled);

namespace zhd {

inline std::string Read(std::int32_t (*get)(char*, std::int32_t))
{
    std::string text(static_cast<size_t>(get(nullptr, 0)), '\0');
    get(text.data(), static_cast<std::int32_t>(text.size() + 1));
    return text;
}

inline std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

inline std::vector<std::string> Transcript() { return Lines(Read(ZhdGetTranscript)); }
inline std::vector<std::string> CallLog() { return Lines(Read(ZhdGetCallLog)); }
inline std::vector<std::string> Violations() { return Lines(Read(ZhdGetViolations)); }
inline std::string DrawingJson() { return Read(ZhdGetDrawingJson); }
inline std::string LastError() { return Read(ZhdGetLastError); }
inline std::string Prompt() { return Read(ZhdGetPrompt); }
inline std::string StatusBar() { return Read(ZhdGetStatusBar); }
inline std::string DialogFailure() { return Read(ZhdTakeDialogFailure); }

}  // namespace zhd
