// The module-level values constructed at load, in this order, and destroyed in reverse at
// unload. Everything else the module keeps is plain data, zero at load.
#include "base/pch.h"

#include "base/SettingsKey.h"
#include "command/CommandState.h"
#include "plugin/SorvaneApp.h"
#include "settings/SettingsStore.h"

const std::wstring SettingsSubkey = PluginSettingsSubkey;
std::wstring SearchText;
CSorvaneApp theApp;

EventPoint WindowCorner1 = {};
MatchEntry MatchTable[MatchTableSlots] = {};
std::int32_t MatchCount = 0;
std::int32_t CurrentIndex = 0;
BoundingBox ViewBox = {};
