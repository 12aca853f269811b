// The registry key, under HKEY_CURRENT_USER, that holds the plug-in's one setting: this prefix
// followed by the plug-in's own subkey. The settings store composes it; the stand-in host's
// `method` script line plants a setting there before a session.
#pragma once

constexpr wchar_t SettingsKeyPrefix[] = L"SOFTWARE\\Tarnwick\\ZEL\\";
constexpr wchar_t PluginSettingsSubkey[] = L"Sorvane";
