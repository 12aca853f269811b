#include "base/pch.h"

#include "settings/SettingsStore.h"

#include "base/SettingsKey.h"
#include "base/UniqueHandle.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace {

constexpr wchar_t MethodValue[] = L"Method";
// The query's capacity: a text of up to 126 characters and its NUL.
constexpr DWORD ReadCapacity = 255;

std::wstring WithBackslashes(std::wstring path)
{
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

}  // namespace

std::int32_t SearchMethod = 0;

std::wstring TextFromRegistryData(const BYTE* data, DWORD count)
{
    std::wstring text(count / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), data, text.size() * sizeof(wchar_t));
    text.resize(std::wcslen(text.c_str()));
    return text;
}

std::wstring MakeSettingsKeyPath(std::wstring subkey) { return SettingsKeyPrefix + subkey; }

int ReadRegistryString(std::wstring keyPath, std::wstring valueName, std::wstring& text)
{
    keyPath = WithBackslashes(std::move(keyPath));
    UniqueKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return -1;
    BYTE buffer[256] = {};
    DWORD type = 0;
    DWORD size = ReadCapacity;
    if (RegQueryValueExW(key.Get(), valueName.c_str(), nullptr, &type, buffer, &size) != ERROR_SUCCESS)
        return -1;
    text = TextFromRegistryData(buffer, std::min(size, ReadCapacity));
    return 0;
}

int WriteRegistryString(std::wstring keyPath, std::wstring valueName, std::wstring text)
{
    keyPath = WithBackslashes(std::move(keyPath));
    UniqueKey key;
    DWORD disposition = 0;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, key.Put(), &disposition) != ERROR_SUCCESS)
        return -1;
    auto bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    if (RegSetValueExW(key.Get(), valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), bytes) !=
        ERROR_SUCCESS)
        return -1;
    return 0;
}

bool WriteSettingString(std::wstring subkey, std::wstring valueName, std::wstring text)
{
    return WriteRegistryString(MakeSettingsKeyPath(std::move(subkey)), std::move(valueName), std::move(text)) == 0;
}

std::int32_t ReadSearchMethod(std::wstring subkey)
{
    std::wstring text;
    if (ReadRegistryString(MakeSettingsKeyPath(subkey), MethodValue, text) != 0) {
        text = L"0";
        WriteSettingString(subkey, MethodValue, L"0");
    }
    return _wtoi(text.c_str());
}

bool LoadSearchMethod()
{
    SearchMethod = ReadSearchMethod(SettingsSubkey);
    return true;
}

void SaveSearchMethod(std::wstring subkey, std::int32_t method)
{
    WriteSettingString(std::move(subkey), MethodValue, std::to_wstring(method));
}
