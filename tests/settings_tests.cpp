// The search-method store on the real (Wine's) registry under HKEY_CURRENT_USER.
#include "tests/support/TestSupport.h"

#include "base/UniqueHandle.h"
#include "settings/SettingsStore.h"

#include <windows.h>

#include <algorithm>

namespace {

const std::wstring TestSubkey = L"SorvaneStoreTest";
const std::wstring TestKeyPath = MethodKeyPrefix + TestSubkey;

struct StoredValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
    bool exists = false;
};

StoredValue ReadRaw(const std::wstring& keyPath = TestKeyPath, const wchar_t* name = L"Method")
{
    StoredValue value;
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return value;
    DWORD size = 0;
    if (RegQueryValueExW(key, name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
        value.bytes.resize(size);
        RegQueryValueExW(key, name, nullptr, &value.type, value.bytes.data(), &size);
        value.exists = true;
    }
    RegCloseKey(key);
    return value;
}

// Stores the bytes exactly as given: RegSetValueExW would add a NUL to an even count.
void PlantRaw(DWORD type, const void* data, ULONG size)
{
    HKEY key;
    ASSERT_EQ(
        RegCreateKeyExW(HKEY_CURRENT_USER, TestKeyPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    struct UnicodeString {
        USHORT Length, MaximumLength;
        PWSTR Buffer;
    };
    using SetValue = LONG(WINAPI*)(HANDLE, UnicodeString*, ULONG, ULONG, const void*, ULONG);
    auto setValue = reinterpret_cast<SetValue>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtSetValueKey")));
    ASSERT_NE(setValue, nullptr);
    wchar_t name[] = L"Method";
    UnicodeString valueName{12, 14, name};
    EXPECT_EQ(setValue(key, &valueName, 0, type, data, size), 0);
    RegCloseKey(key);
}

void PlantText(const std::wstring& text)
{
    PlantRaw(REG_SZ, text.c_str(), static_cast<ULONG>((text.size() + 1) * sizeof(wchar_t)));
}

std::vector<BYTE> Sz(const std::wstring& text)
{
    const BYTE* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    return std::vector<BYTE>(bytes, bytes + (text.size() + 1) * sizeof(wchar_t));
}

class Store : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, TestKeyPath.c_str()); }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, TestKeyPath.c_str()); }
};

TEST_F(Store, AFreshProfileGetsTheKeyWithMethodZero)
{
    EXPECT_EQ(ReadSearchMethod(TestSubkey), 0);
    StoredValue stored = ReadRaw();
    ASSERT_TRUE(stored.exists);
    EXPECT_EQ(stored.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(stored.bytes, Sz(L"0")) << "REG_SZ \"0\" with its NUL, 4 bytes";
}

struct Stored {
    std::wstring text;
    int method;
    bool rewritten;  // to "0", because it could not be read
};

class StoredText : public Store, public ::testing::WithParamInterface<Stored> {};

TEST_P(StoredText, ReadsLikeWtoi)
{
    PlantText(GetParam().text);
    EXPECT_EQ(ReadSearchMethod(TestSubkey), GetParam().method) << "stored " << Utf8(GetParam().text);
    EXPECT_EQ(ReadRaw().bytes, GetParam().rewritten ? Sz(L"0") : Sz(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(Cases, StoredText,
                         ::testing::Values(Stored{L"1", 1, false}, Stored{L"", 0, false}, Stored{L" 1x", 1, false},
                                           Stored{L"-1", -1, false}, Stored{L"7", 7, false},
                                           Stored{L"5" + std::wstring(125, L' '), 5, false},
                                           Stored{L"5" + std::wstring(126, L' '), 0, true},
                                           Stored{std::wstring(300, L'1'), 0, true}));

TEST_F(Store, AValueOfAnotherTypeIsReadAsTextAndKept)
{
    DWORD one = 1;
    PlantRaw(REG_DWORD, &one, sizeof one);
    EXPECT_EQ(ReadSearchMethod(TestSubkey), 0);
    StoredValue stored = ReadRaw();
    EXPECT_EQ(stored.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(stored.bytes, (std::vector<BYTE>{1, 0, 0, 0}));
}

TEST_F(Store, UnterminatedDataIsEndedInsideTheBuffer)
{
    const std::wstring digits = L"12";
    PlantRaw(REG_SZ, digits.data(), 4);
    EXPECT_EQ(ReadSearchMethod(TestSubkey), 12);
    std::wstring text;
    std::wstring full(127, L'9');
    PlantRaw(REG_SZ, full.data(), 255);  // 127 code units and half of a 128th, no NUL
    EXPECT_EQ(ReadRegistryString(TestKeyPath, L"Method", text), 0);
    EXPECT_EQ(text, full);
}

TEST(RegistryData, TakesWholeCodeUnitsUpToTheFirstNul)
{
    std::vector<BYTE> data(256, 0);
    for (size_t i = 0; i + 1 < data.size(); i += 2)
        data[i] = static_cast<BYTE>('a' + i / 2 % 26);
    for (DWORD count = 0; count <= 255; ++count) {
        std::wstring text = TextFromRegistryData(data.data(), count);
        ASSERT_EQ(text.size(), count / 2) << count << " bytes";
        if (!text.empty()) {
            ASSERT_EQ(text.back(), static_cast<wchar_t>('a' + (count / 2 - 1) % 26)) << count << " bytes";
        }
    }
    const BYTE withNul[] = {'4', 0, 0, 0, '2', 0};
    EXPECT_EQ(TextFromRegistryData(withNul, sizeof withNul), L"4");
}

TEST_F(Store, ForwardSlashesInAKeyPathAreBackslashes)
{
    std::wstring slashed = TestKeyPath;
    std::replace(slashed.begin(), slashed.end(), L'\\', L'/');
    EXPECT_EQ(WriteRegistryString(slashed, L"Other", L"값"), 0);
    EXPECT_EQ(ReadRaw(TestKeyPath, L"Other").bytes, Sz(L"값"));
    std::wstring text;
    EXPECT_EQ(ReadRegistryString(slashed, L"Other", text), 0);
    EXPECT_EQ(text, L"값");
}

TEST_F(Store, AFailedReadLeavesTheTextAndAFailedWriteReports)
{
    std::wstring text = L"kept";
    EXPECT_EQ(ReadRegistryString(TestKeyPath, L"Method", text), -1);
    EXPECT_EQ(text, L"kept");
    std::wstring tooLong(300, L'k');  // longer than a registry key name may be
    EXPECT_EQ(WriteRegistryString(MethodKeyPrefix + tooLong, L"Method", L"1"), -1);
    EXPECT_FALSE(WriteSettingString(tooLong, L"Method", L"1"));
    EXPECT_EQ(ReadSearchMethod(tooLong), 0) << "the default holds when it cannot be written either";
}

TEST_F(Store, SavingStoresTheMethodAsText)
{
    SaveSearchMethod(TestSubkey, 1);
    EXPECT_EQ(ReadRaw().bytes, Sz(L"1"));
    SaveSearchMethod(TestSubkey, -12);
    EXPECT_EQ(ReadSearchMethod(TestSubkey), -12);
}

TEST_F(Store, LoadingReadsTheModulesOwnSubkey)
{
    RegDeleteTreeW(HKEY_CURRENT_USER, MethodKey.c_str());
    SearchMethod = 9;
    EXPECT_TRUE(LoadSearchMethod());
    EXPECT_EQ(SearchMethod, 0);
    SaveSearchMethod(L"Sorvane", 1);
    LoadSearchMethod();
    EXPECT_EQ(SearchMethod, 1);
    RegDeleteTreeW(HKEY_CURRENT_USER, MethodKey.c_str());
}

// The handles' owner, on handles of the test's own that record their release.
std::vector<int*> Released;
struct RecordRelease {
    void operator()(int* handle) const { Released.push_back(handle); }
};
using Owner = UniqueHandle<int*, RecordRelease>;

TEST(UniqueHandle, ReleasesEachHandleOnceWhereverItGoes)
{
    int first = 1, second = 2, third = 3;
    {
        Owner owner;
        *owner.Put() = &first;
        *owner.Put() = &second;
        EXPECT_EQ(Released, std::vector<int*>{&first}) << "Put releases what the owner held";
        Owner moved(std::move(owner));
        EXPECT_FALSE(owner);
        EXPECT_EQ(moved.Get(), &second);
        Owner assigned(&third);
        assigned = std::move(moved);
        EXPECT_EQ(Released, (std::vector<int*>{&first, &third})) << "assignment releases what it overwrites";
        EXPECT_EQ(assigned.Release(), &second);
        EXPECT_FALSE(assigned) << "a handle given up is the caller's";
    }
    EXPECT_EQ(Released, (std::vector<int*>{&first, &third}));
}

}  // namespace
