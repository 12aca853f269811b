// The command's state functions. Each chain (search method) has its own set, so the host sees
// the chain's functions registered and the chain cannot change during a run. Both sets are
// instantiated where the functions are defined.
//
//   search input -> range -> (second corner) -> browse
//
// The host calls every ready and execute function: each is noexcept and runs its work through
// Guarded (base/Guarded.h).
#pragma once

#include "command/CommandState.h"

std::int32_t StartCommand() noexcept;

template <Chain C>
std::int32_t SearchInputReady() noexcept;
template <Chain C>
std::int32_t SearchInputExecute(std::int32_t kind, ZelEvent event) noexcept;
template <Chain C>
std::int32_t RangeReady() noexcept;
template <Chain C>
std::int32_t RangeExecute(std::int32_t kind, ZelEvent event) noexcept;
template <Chain C>
std::int32_t SecondCornerReady() noexcept;
template <Chain C>
std::int32_t SecondCornerExecute(std::int32_t kind, ZelEvent event) noexcept;
// Blinks and announces the matches, installs the key shortcuts, frames all matches and
// registers the browse state.
template <Chain C>
void EnterBrowsing();
template <Chain C>
std::int32_t BrowseReady() noexcept;
template <Chain C>
std::int32_t BrowseExecute(std::int32_t kind, ZelEvent event) noexcept;
