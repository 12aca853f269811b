// The start of the command: the search text, the range, the collection and the step into
// browsing.
#include "base/pch.h"

#include "command/Command.h"
#include "command/Events.h"
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
    StateEvent read = ReadEvent(kind, event, Takes::PicksAndKeyins);
    switch (read.is) {
    case EventIs::Pick:
    case EventIs::KeyIn:
        SearchText = std::move(read.text);
        ZelCtlSetReadyFunc(RangeReady<C>, L"");
        return advance;
    case EventIs::Confirm:
        RunSettingsDialog();
        return finish;
    case EventIs::Refused:
        return finish;
    default:
        return stay;
    }
}

template <Chain C>
std::int32_t Range(std::int32_t kind, ZelEvent event)
{
    StateEvent read = ReadEvent(kind, event, Takes::DataPoints);
    switch (read.is) {
    case EventIs::DataPoint:
        WindowCorner1 = read.point;
        ZelCtlSetReadyFunc(SecondCornerReady<C>, L"");
        return advance;
    case EventIs::Confirm:
        CollectMatches(nullptr, C);
        return AfterCollection<C>();
    default:
        return stay;
    }
}

// The window between the first corner and `corner`, given in either order.
BoundingBox WindowTo(const EventPoint& corner)
{
    BoundingBox window{};
    if (corner.x > WindowCorner1.x) {
        window.xmin = WindowCorner1.x;
        window.xmax = corner.x;
    } else {
        window.xmin = corner.x;
        window.xmax = WindowCorner1.x;
    }
    if (corner.y > WindowCorner1.y) {
        window.ymin = WindowCorner1.y;
        window.ymax = corner.y;
    } else {
        window.ymin = corner.y;
        window.ymax = WindowCorner1.y;
    }
    return window;
}

// Only a data point completes the window; a confirm here changes nothing.
template <Chain C>
std::int32_t SecondCorner(std::int32_t kind, ZelEvent event)
{
    StateEvent read = ReadEvent(kind, event, Takes::DataPoints);
    if (read.is != EventIs::DataPoint)
        return stay;
    BoundingBox window = WindowTo(read.point);
    CollectMatches(&window, C);
    return AfterCollection<C>();
}

}  // namespace

std::int32_t StartCommand() noexcept
{
    return Guarded(0, [] {
        // A pass that the host ended while browsing ends its shortcuts here at the latest.
        EndShortcuts();
        LoadSearchMethod();
        if (SearchMethod == IdenticalMethod)
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
        ZoomToViewBox(ViewBox, 10);
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
