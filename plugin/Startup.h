// The plug-in's entry points, which the host calls: each is noexcept.
#pragma once

#include <cstdint>

extern "C" std::int32_t Startup() noexcept;
// The registration's second slot: the command has no work for it.
std::int32_t SecondCallback() noexcept;
void UnloadPlugin() noexcept;
