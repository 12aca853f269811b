// The browse state: stepping through the matches, and the edit that ends the run.
#include "../plugin/pch.h"

#include "Command.h"
#include "Edits.h"
#include "Matches.h"
#include "Messages.h"

#include "../hook/KeyHook.h"

#include <array>
#include <string_view>

namespace {

enum class BrowseWord { None, Next, Previous, Delete };

// The words the browse prompt knows, in the order they are tested: each in its Latin form and
// as the same keys give it in Korean two-set input mode.
constexpr std::array<std::pair<std::wstring_view, BrowseWord>, 6> BrowseWords = {{
    {L"ZOOMN", BrowseWord::Next},
    {L"캐ㅐㅡㅜ", BrowseWord::Next},
    {L"ZOOMP", BrowseWord::Previous},
    {L"캐ㅐㅡㅔ", BrowseWord::Previous},
    {L"ZOOMD", BrowseWord::Delete},
    {L"캐ㅐㅡㅇ", BrowseWord::Delete},
}};

BrowseWord BrowseWordOf(std::wstring_view text)
{
    for (const auto& [word, meaning] : BrowseWords) {
        if (EqualsIgnoringCase(text, word))
            return meaning;
    }
    return BrowseWord::None;
}

template <Chain C>
void Replace(const std::wstring& replacement)
{
    if constexpr (C == Chain::Identical)
        ReplaceAllText(replacement);
    else
        ReplaceSubstringInAll(replacement);
    ZelDlgMessageBox(FormatCounts(message::Modified, {MatchCount}).c_str());
}

template <Chain C>
void Delete()
{
    bool done;
    const wchar_t* success;
    if constexpr (C == Chain::Identical) {
        done = DeleteMatchedSegments();
        success = message::Deleted;
    } else {
        done = DeleteSubstringFromAll();
        success = message::DeletedContained;
    }
    ZelDlgMessageBox(done ? FormatCounts(success, {MatchCount}).c_str() : message::Failed);
}

template <Chain C>
std::int32_t Browse(std::int32_t kind, ZelEvent event)
{
    EventPoint point{};
    if (ZelEvtGetPoint(kind, event, &point) == 0) {
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
        std::wstring text = KeyinText(kind, event);
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
            Delete<C>();
            return finish;
        case BrowseWord::None:
            Replace<C>(text);
            return finish;
        }
    }
    return kind == Confirm ? finish : stay;
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
std::int32_t BrowseReady()
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
std::int32_t BrowseExecute(std::int32_t kind, ZelEvent event)
{
    std::int32_t result = Guarded(finish, [&] { return Browse<C>(kind, event); });
    // The shortcuts belong to browsing alone: a run that has ended leaves the keys alone.
    if (result == finish)
        RemoveKeyHook();
    return result;
}

template std::int32_t BrowseReady<Chain::Identical>();
template std::int32_t BrowseReady<Chain::Contains>();
template std::int32_t BrowseExecute<Chain::Identical>(std::int32_t, ZelEvent);
template std::int32_t BrowseExecute<Chain::Contains>(std::int32_t, ZelEvent);
