// The command's state functions. Each chain (search method) has its own set, so the host sees
// the chain's functions registered and the chain cannot change during a run. Both sets are
// instantiated where the functions are defined.
//
//   search input -> range -> (second corner) -> browse
#pragma once

#include "command/CommandState.h"

#include <initializer_list>
#include <optional>
#include <string>

// The object filter of the prompts that take an annotation pick.
constexpr ObjectFilterRecord AnnotationPickFilter = {{8, 0, 0, 17, 0}};

std::int32_t StartCommand();

template <Chain C>
std::int32_t SearchInputReady();
template <Chain C>
std::int32_t SearchInputExecute(std::int32_t kind, ZelEvent event);
template <Chain C>
std::int32_t RangeReady();
template <Chain C>
std::int32_t RangeExecute(std::int32_t kind, ZelEvent event);
template <Chain C>
std::int32_t SecondCornerReady();
template <Chain C>
std::int32_t SecondCornerExecute(std::int32_t kind, ZelEvent event);
// Blinks and announces the matches, installs the key shortcuts, frames all matches and
// registers the browse state.
template <Chain C>
void EnterBrowsing();
template <Chain C>
std::int32_t BrowseReady();
template <Chain C>
std::int32_t BrowseExecute(std::int32_t kind, ZelEvent event);

void StepNext();
void StepPrevious();
void ShowCurrentMatch();

// The text of the annotation that an element pick points at, copied; false when the host does
// not report its record filled (0) with a text.
bool ReadPickedText(std::int32_t kind, ZelEvent event, std::wstring& text);
// The key-in's text, copied exactly; none when the host gives no text at all.
std::optional<std::wstring> KeyinText(std::int32_t kind, ZelEvent event);

// `format` with each "%d" replaced by the next number.
std::wstring FormatCounts(const wchar_t* format, std::initializer_list<std::int32_t> numbers);

// Host callbacks let no exception escape: a failure ends the run (execute functions) or
// rejects the call (everything else) with the given safe result.
template <class Body>
std::int32_t Guarded(std::int32_t safeResult, Body body) noexcept
{
    try {
        return body();
    } catch (...) {
        return safeResult;
    }
}
