#include "base/pch.h"

#include "plugin/Startup.h"

#include "base/Guarded.h"
#include "command/Command.h"
#include "hook/KeyHook.h"

extern "C" std::int32_t Startup() noexcept
{
    return Guarded(-1, [] { return ZelCtlRegisterZelLib2(StartCommand, SecondCallback, UnloadPlugin) > 0 ? 0 : -1; });
}

std::int32_t SecondCallback() noexcept { return 0; }

void UnloadPlugin() noexcept
{
    Guarded([] { RemoveKeyHook(); });
}
