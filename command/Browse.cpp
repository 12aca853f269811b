// The browse state: stepping through the matches, and the edit that ends the run.
#include "base/pch.h"

#include "command/Command.h"
#include "command/Edits.h"
#include "command/Matches.h"
#include "command/Messages.h"

#include "base/Guarded.h"
#include "hook/BrowseWords.h"
#include "hook/KeyHook.h"

#include <optional>
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

// Every ending of the pass ends the shortcuts first, before an edit runs and before its message
// box is up, so that no key pressed meanwhile is turned into a key-in.
template <Chain C>
std::int32_t Browse(std::int32_t kind, ZelEvent event)
{
    EventPoint point{};
    if (ZelEvtGetPoint(kind, event, &point) == 0) {
        EndShortcuts();
        if (kind != ElementPick) {
            ZelMsgPutErrorMessage(message::InvalidSelection);
            return finish;
        }
        std::wstring picked;
        if (!ReadPickedText(kind, event, picked)) {
            ZelMsgPutErrorMessage(message::Unreadable);
            return finish;
        }
        Replace<C>(picked);
        return finish;
    }
    if (kind == KeyIn) {
        std::optional<std::wstring> text = KeyinText(kind, event);
        if (!text)
            return stay;
        switch (BrowseWordOf(*text)) {
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
            EndShortcuts();
            Replace<C>(*text);
            return finish;
        }
    }
    if (kind == Confirm) {
        EndShortcuts();
        return finish;
    }
    return stay;
}

}  // namespace

std::wstring FormatCounts(const wchar_t* format, std::initializer_list<std::int32_t> numbers)
{
    std::wstring text;
    auto number = numbers.begin();
    for (std::wstring_view rest = format; !rest.empty();) {
        size_t at = rest.find(L"%d");
        if (at == std::wstring_view::npos || number == numbers.end()) {
            text.append(rest);
            break;
        }
        text.append(rest.substr(0, at));
        text.append(std::to_wstring(*number++));
        rest.remove_prefix(at + 2);
    }
    return text;
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

void ShowCurrentMatch()
{
    if (!ComputeViewBox(CurrentIndex, ViewBox))
        return;
    ZoomToViewBox(CurrentIndex == 0 ? 10 : 100);
    ZelMsgPutInfoMessage(FormatCounts(message::Position, {MatchCount, CurrentIndex, MatchCount}).c_str());
}

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
