// The start of the command: the search text, the range, the collection and the step into
// browsing.
#include "base/pch.h"

#include "command/Command.h"
#include "command/Matches.h"
#include "command/Messages.h"

#include "base/Guarded.h"
#include "hook/KeyHook.h"
#include "settings/SettingsStore.h"
#include "settings/SorvaneDlg.h"

namespace {

template <Chain C>
constexpr const wchar_t* CursorWord = C == Chain::Identical ? message::CursorIdentical : message::CursorContains;

// Opened with the plug-in's own module state, so that the template comes from its resources.
void RunSettingsDialog()
{
    AFX_MAINTAIN_STATE2 state(AfxGetStaticModuleState());
    SorvaneDlg dialog;
    if (dialog.DoModal() == IDOK)
        LoadSearchMethod();
}

template <Chain C>
std::int32_t AfterCollection()
{
    if (MatchCount == 0) {
        ZelDlgMessageBox(message::NoMatch);
        return finish;
    }
    EnterBrowsing<C>();
    return advance;
}

template <Chain C>
std::int32_t SearchInput(std::int32_t kind, ZelEvent event)
{
    EventPoint point{};
    if (ZelEvtGetPoint(kind, event, &point) == 0) {
        if (kind != ElementPick) {
            ZelMsgPutErrorMessage(message::InvalidSelection);
            return finish;
        }
        if (!ReadPickedText(kind, event, SearchText)) {
            ZelMsgPutErrorMessage(message::Unreadable);
            return finish;
        }
        ZelCtlSetReadyFunc(RangeReady<C>, L"");
        return advance;
    }
    if (kind == KeyIn) {
        std::optional<std::wstring> text = KeyinText(kind, event);
        if (!text)
            return stay;
        SearchText = std::move(*text);
        ZelCtlSetReadyFunc(RangeReady<C>, L"");
        return advance;
    }
    if (kind == Confirm) {
        RunSettingsDialog();
        return finish;
    }
    return stay;
}

template <Chain C>
std::int32_t Range(std::int32_t kind, ZelEvent event)
{
    EventPoint point{};
    if (ZelEvtGetPoint(kind, event, &point) == 0) {
        if (kind != DataPoint) {
            ZelMsgPutErrorMessage(message::InvalidSelection);
            return stay;
        }
        WindowCorner1 = point;
        ZelCtlSetReadyFunc(SecondCornerReady<C>, L"");
        return advance;
    }
    if (kind == Confirm) {
        CollectMatches(nullptr, C);
        return AfterCollection<C>();
    }
    return stay;
}

template <Chain C>
std::int32_t SecondCorner(std::int32_t kind, ZelEvent event)
{
    EventPoint point{};
    if (ZelEvtGetPoint(kind, event, &point) != 0)
        return stay;
    if (kind != DataPoint) {
        ZelMsgPutErrorMessage(message::InvalidSelection);
        return stay;
    }
    BoundingBox window{};
    if (point.x > WindowCorner1.x) {
        window.xmin = WindowCorner1.x;
        window.xmax = point.x;
    } else {
        window.xmin = point.x;
        window.xmax = WindowCorner1.x;
    }
    if (point.y > WindowCorner1.y) {
        window.ymin = WindowCorner1.y;
        window.ymax = point.y;
    } else {
        window.ymin = point.y;
        window.ymax = WindowCorner1.y;
    }
    CollectMatches(&window, C);
    return AfterCollection<C>();
}

}  // namespace

bool ReadPickedText(std::int32_t kind, ZelEvent event, std::wstring& text)
{
    // Any result but 0 leaves the record unfilled, its text pointer garbage.
    CommentRecord record{};
    if (!ReadAnnotation(ZelEvtGetElementId(kind, event), record))
        return false;
    text = record.text;
    return true;
}

std::optional<std::wstring> KeyinText(std::int32_t kind, ZelEvent event)
{
    const wchar_t* typed = ZelEvtGetKeyinString(kind, event);
    // A word that the shortcuts typed for a pass that has ended belongs to no prompt of this one.
    if (!typed || NoteKeyin(typed))
        return std::nullopt;
    return std::wstring(typed);
}

std::int32_t StartCommand() noexcept
{
    return Guarded(0, [] {
        // A pass that the host ended while browsing ends its shortcuts here at the latest.
        EndShortcuts();
        LoadSearchMethod();
        if (SearchMethod == 0)
            SearchInputReady<Chain::Identical>();
        else
            SearchInputReady<Chain::Contains>();
        return 0;
    });
}

template <Chain C>
std::int32_t SearchInputReady() noexcept
{
    return Guarded(0, [] {
        MatchCount = 0;
        ZelIddClearSysIdData();
        ZelEvtSetEventMask(PickEventMask);
        ZelEvtSetObject(&AnnotationPickFilter);
        ZelMsgPutCursorMessage(CursorWord<C>);
        ZelMsgPutMessage(message::SearchPrompt);
        ZelCtlSetExecuteFunc(SearchInputExecute<C>, L"");
        return 0;
    });
}

template <Chain C>
std::int32_t SearchInputExecute(std::int32_t kind, ZelEvent event) noexcept
{
    return Guarded(finish, [&] { return SearchInput<C>(kind, event); });
}

template <Chain C>
std::int32_t RangeReady() noexcept
{
    return Guarded(0, [] {
        ZelEvtSetEventMask(PointEventMask);
        ZelMsgPutMessage(message::RangePrompt);
        ZelCtlSetExecuteFunc(RangeExecute<C>, L"");
        return 0;
    });
}

template <Chain C>
std::int32_t RangeExecute(std::int32_t kind, ZelEvent event) noexcept
{
    return Guarded(finish, [&] { return Range<C>(kind, event); });
}

template <Chain C>
std::int32_t SecondCornerReady() noexcept
{
    return Guarded(0, [] {
        EchoRecord echo{};
        echo.kind = WindowEcho;
        echo.x = WindowCorner1.x;
        echo.y = WindowCorner1.y;
        ZelEvtSetEventMask(PointEventMask);
        ZelEvtSetEcho(&echo);
        ZelMsgPutMessage(message::SecondCornerPrompt);
        ZelCtlSetExecuteFunc(SecondCornerExecute<C>, L"");
        return 0;
    });
}

template <Chain C>
std::int32_t SecondCornerExecute(std::int32_t kind, ZelEvent event) noexcept
{
    return Guarded(finish, [&] { return SecondCorner<C>(kind, event); });
}

template <Chain C>
void EnterBrowsing()
{
    BlinkMatches();
    ZelMsgPutInfoMessage(FormatCounts(message::Found, {MatchCount, MatchCount}).c_str());
    CurrentIndex = 0;
    InstallKeyHook();
    if (ComputeViewBox(0, ViewBox))
        ZoomToViewBox(10);
    ZelCtlSetReadyFunc(BrowseReady<C>, L"");
}

#define SORVANE_INSTANTIATE(C)                                                     \
    template std::int32_t SearchInputReady<C>() noexcept;                          \
    template std::int32_t SearchInputExecute<C>(std::int32_t, ZelEvent) noexcept;  \
    template std::int32_t RangeReady<C>() noexcept;                                \
    template std::int32_t RangeExecute<C>(std::int32_t, ZelEvent) noexcept;        \
    template std::int32_t SecondCornerReady<C>() noexcept;                         \
    template std::int32_t SecondCornerExecute<C>(std::int32_t, ZelEvent) noexcept; \
    template void EnterBrowsing<C>();
SORVANE_INSTANTIATE(Chain::Identical)
SORVANE_INSTANTIATE(Chain::Contains)
#undef SORVANE_INSTANTIATE
