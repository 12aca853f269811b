// The browse state: stepping through the matches, and the edit that ends the run.
#include "base/pch.h"

#include "command/Command.h"
#include "command/Edits.h"
#include "command/Events.h"
#include "command/Matches.h"
#include "command/Messages.h"

#include "base/Guarded.h"
#include "hook/BrowseWords.h"
#include "hook/KeyHook.h"

#include <string_view>

namespace {

BrowseWord BrowseWordOf(std::wstring_view text)
{
    for (const BrowseShortcut& shortcut : BrowseShortcuts) {
        if (EqualsIgnoringCase(text, shortcut.latin) || EqualsIgnoringCase(text, shortcut.korean))
            return shortcut.word;
    }
    return BrowseWord::None;
}

// An edit that cannot finish (it throws) reports a failure, and what it did before that stays done.
template <Chain C>
void Replace(const std::wstring& replacement)
{
    bool done = Guarded(false, [&] {
        if constexpr (C == Chain::Identical)
            ReplaceAllText(replacement);
        else
            ReplaceSubstringInAll(replacement);
        return true;
    });
    ZelDlgMessageBox(done ? FormatCounts(message::Modified, {MatchCount}).c_str() : message::Failed);
}

template <Chain C>
void Delete()
{
    constexpr const wchar_t* success = C == Chain::Identical ? message::Deleted : message::DeletedContained;
    bool done =
        Guarded(false, [] { return C == Chain::Identical ? DeleteMatchedSegments() : DeleteSubstringFromAll(); });
    ZelDlgMessageBox(done ? FormatCounts(success, {MatchCount}).c_str() : message::Failed);
}

void StepNext()
{
    if (++CurrentIndex > MatchCount)
        CurrentIndex = 0;
}

void StepPrevious()
{
    if (--CurrentIndex < 0)
        CurrentIndex = MatchCount;
}

// The index is stored before framing is tried: a match that cannot be read is stepped over on
// the next step without a zoom or a message.
void ShowCurrentMatch()
{
    if (!ComputeViewBox(CurrentIndex, ViewBox))
        return;
    ZoomToViewBox(ViewBox, CurrentIndex == 0 ? 10 : 100);
    ZelMsgPutInfoMessage(FormatCounts(message::Position, {MatchCount, CurrentIndex, MatchCount}).c_str());
}

template <Chain C>
std::int32_t Keyin(const std::wstring& text)
{
    switch (BrowseWordOf(text)) {
    case BrowseWord::Next:
        StepNext();
        ShowCurrentMatch();
        return stay;
    case BrowseWord::Previous:
        StepPrevious();
        ShowCurrentMatch();
        return stay;
    case BrowseWord::Delete:
        EndShortcuts();
        Delete<C>();
        return finish;
    case BrowseWord::None:
        break;
    }
    EndShortcuts();
    Replace<C>(text);
    return finish;
}

// Every ending of the pass ends the shortcuts before an edit runs and before its message box is
// up, so that no key pressed meanwhile is turned into a key-in; BrowseExecute ends them after any
// other ending.
template <Chain C>
std::int32_t Browse(std::int32_t kind, ZelEvent event)
{
    StateEvent read = ReadEvent(kind, event, Takes::PicksAndKeyins);
    switch (read.is) {
    case EventIs::Pick:
        // A click while a function key waits for the word on its way was meant for the command
        // that key starts: it replaces nothing.
        if (FunctionKeyHeldBack())
            return stay;
        EndShortcuts();
        Replace<C>(read.text);
        return finish;
    case EventIs::KeyIn:
        return Keyin<C>(read.text);
    case EventIs::Confirm:
    case EventIs::Refused:
        return finish;
    default:
        return stay;
    }
}

}  // namespace

template <Chain C>
std::int32_t BrowseReady() noexcept
{
    return Guarded(0, [] {
        ZelEvtSetEventMask(PickEventMask);
        ZelEvtSetObject(&AnnotationPickFilter);
        ZelMsgPutCursorMessage(message::CursorBrowse);
        ZelMsgPutMessage(message::BrowsePrompt);
        ZelCtlSetExecuteFunc(BrowseExecute<C>, L"");
        return 0;
    });
}

template <Chain C>
std::int32_t BrowseExecute(std::int32_t kind, ZelEvent event) noexcept
{
    // Whatever the event, the browse step has had one.
    NoteBrowseEvent();
    std::int32_t result = Guarded(finish, [&] { return Browse<C>(kind, event); });
    // A failure ends the pass too, and the shortcuts belong to browsing alone.
    if (result == finish)
        EndShortcuts();
    return result;
}

template std::int32_t BrowseReady<Chain::Identical>() noexcept;
template std::int32_t BrowseReady<Chain::Contains>() noexcept;
template std::int32_t BrowseExecute<Chain::Identical>(std::int32_t, ZelEvent) noexcept;
template std::int32_t BrowseExecute<Chain::Contains>(std::int32_t, ZelEvent) noexcept;
