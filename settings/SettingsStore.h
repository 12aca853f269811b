// The search method, kept as the REG_SZ value "Method" under HKEY_CURRENT_USER in the settings
// key of a subkey (base/SettingsKey.h). Registry failures are never shown.
#pragma once

#include <afxwin.h>

#include <cstdint>
#include <string>

// The module's own subkey, fixed from load to unload.
extern const std::wstring SettingsSubkey;
// The search method the command runs: IdenticalMethod, or any other value for the contains
// method. LoadSearchMethod alone sets it.
extern std::int32_t SearchMethod;
constexpr std::int32_t IdenticalMethod = 0;  // the whole text, without regard to case
constexpr std::int32_t ContainsMethod = 1;   // every text that holds the search text

std::wstring MakeSettingsKeyPath(std::wstring subkey);
// 0 and `text` replaced by the value; -1 with `text` unchanged on any failure.
[[nodiscard]] int ReadRegistryString(std::wstring keyPath, std::wstring valueName, std::wstring& text);
int WriteRegistryString(std::wstring keyPath, std::wstring valueName, std::wstring text);
bool WriteSettingString(std::wstring subkey, std::wstring valueName, std::wstring text);
// The stored method; "0" is written back and 0 returned when it is missing or unreadable.
std::int32_t ReadSearchMethod(std::wstring subkey);
// Sets SearchMethod from the module's own subkey. Always true: callers have always been given a
// result, and none of them examines it.
bool LoadSearchMethod();
void SaveSearchMethod(std::wstring subkey, std::int32_t method);

// The text that `count` bytes of value data hold: whole UTF-16 code units up to the first NUL,
// or all of them when the data carry none.
std::wstring TextFromRegistryData(const BYTE* data, DWORD count);
