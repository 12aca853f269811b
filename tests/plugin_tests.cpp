// The real Sorvane.dll, loaded as the host loads it: its entry, its whole command with real key
// presses on the virtual display, and what the file itself carries.
#include "tests/support/HostSupport.h"
#include "tests/support/KeyRecorder.h"

#include <ZelLib.h>

#include <windows.h>

#include <algorithm>
#include <set>

namespace {

using Lines = std::vector<std::string>;

// The DLL under test: the one the build made beside this program, or the one SORVANE_DLL names
// (the stripped DLL of the release zip).
std::wstring PluginPath()
{
    wchar_t path[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableW(L"SORVANE_DLL", path, MAX_PATH);
    return length > 0 && length < MAX_PATH ? path : L"Sorvane.dll";
}

class Plugin : public HostFixture {
protected:
    void SetUp() override
    {
        HostFixture::SetUp();
        StoreMethod(L"0");
        module_ = LoadLibraryW(PluginPath().c_str());
        ASSERT_NE(module_, nullptr) << "LoadLibrary failed with " << GetLastError();
        startup_ = reinterpret_cast<std::int32_t (*)()>(reinterpret_cast<void*>(GetProcAddress(module_, "Startup")));
        ASSERT_NE(startup_, nullptr);
    }
    void TearDown() override
    {
        ZhdCallUnload();
        FreeLibrary(module_);
        HostFixture::TearDown();
    }

    HMODULE module_ = nullptr;
    std::int32_t (*startup_)() = nullptr;
};

class Registration : public Plugin, public ::testing::WithParamInterface<std::pair<std::int32_t, std::int32_t>> {};

TEST_P(Registration, StartupReportsWhetherTheHostTookTheCallbacks)
{
    ZhdFaultRegister(GetParam().first);
    EXPECT_EQ(startup_(), GetParam().second) << "registration result " << GetParam().first;
    EXPECT_TRUE(ZhdIsRegistered());
    EXPECT_EQ(zhd::Transcript(), Lines{}) << "Startup shows nothing";
    EXPECT_EQ(ZhdCallSecond(), 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, Registration,
                         ::testing::Values(std::pair{1, 0}, std::pair{5, 0}, std::pair{0, -1}, std::pair{-3, -1}));

// The typical run: search text picked, whole drawing, real arrow and Delete presses typed into
// the host's key-in line, and a replacement keyed in.
class TypicalRun : public Plugin {
protected:
    void SetUp() override
    {
        Plugin::SetUp();
        ASSERT_EQ(startup_(), 0);
        host_ = static_cast<HWND>(ZhdCreateWindow());
        ASSERT_NE(host_, nullptr);
        ZhdFocusKeyinLine();
        DrawingBuilder()
            .Annotation(1, 10, 0, 0, L"침실")
            .Annotation(2, 20, 400, 300, L"침실")
            .Annotation(3, 30, 200, 100, L"거실")
            .Annotation(4, 40, 800, 100, L"침실 2")
            .Other(5, 50, 10, 10)
            .Load();
    }

    // Starts the command, picks the annotation of element 10 and confirms the whole drawing.
    Lines Browse(const wchar_t* method)
    {
        StoreMethod(method);
        ZhdStartCommand();
        ZhdSendPick(10);
        ZhdSendConfirm();
        return TakeTranscript();
    }

    Lines PressKey(WORD virtualKey)
    {
        Press(virtualKey);
        ZhdPumpMessages(300);
        return TakeTranscript();
    }

    std::vector<std::string> KeyinsReceived()
    {
        std::vector<std::string> keyins;
        for (const std::string& line : zhd::CallLog())
            if (line.rfind("event 5 ", 0) == 0)
                keyins.push_back(line.substr(8));
        return keyins;
    }

    HWND host_ = nullptr;
};

const std::string FoundTwo = "info: 총 2개의 주기를 발견하였습니다.[ 0/2 ]";

TEST_F(TypicalRun, IdenticalTextFromPickToReplacement)
{
    EXPECT_EQ(Browse(L"0"), (Lines{"cursor: 동일", "prompt: 검색할 주기입력/주기선택(확정-설정창Open) :",
                                   "result: advance", "prompt: 범위지시(확정:도면전체) : ", "blink: 0/1 0/2", FoundTwo,
                                   "zoom: -10 -10 410 310", "result: advance", "cursor: ←→",
                                   "prompt: 변경할 주기입력/주기선택 ('->':다음주기 '<-':이전주기 'DEL키':삭제) :"}));
    EXPECT_EQ(PressKey(VK_RIGHT),
              (Lines{"zoom: -100 -100 100 100", "info: 총 2개의 주기를 발견하였습니다.[ 1/2 ]", "result: stay"}));
    EXPECT_EQ(KeyinsReceived(), Lines{"\"zoomn\""}) << "typed into the key-in line and submitted";
    EXPECT_EQ(PressKey(VK_LEFT),
              (Lines{"zoom: -10 -10 410 310", "info: 총 2개의 주기를 발견하였습니다.[ 0/2 ]", "result: stay"}));
    EXPECT_EQ(ZhdSendKeyin(L"안방"), finish);
    EXPECT_EQ(TakeTranscript(), (Lines{"messagebox: 총 2개의 주기를 수정하였습니다.", "result: finish"}));
    EXPECT_EQ(TextOf(10), L"안방");
    EXPECT_EQ(TextOf(20), L"안방");
    EXPECT_EQ(TextOf(40), L"침실 2");
}

TEST_F(TypicalRun, DeleteKeyDeletesTheMatchedSegments)
{
    Browse(L"0");
    EXPECT_EQ(PressKey(VK_DELETE), (Lines{"messagebox: 총 2개의 주기를 삭제하였습니다.", "result: finish"}));
    EXPECT_FALSE(SegmentExists(1));
    EXPECT_FALSE(SegmentExists(2));
    EXPECT_TRUE(SegmentExists(3));
    EXPECT_TRUE(SegmentExists(4));
}

TEST_F(TypicalRun, ContainsChainWithTheArrowKeysAndDelete)
{
    Lines browse = Browse(L"1");
    EXPECT_EQ(browse.front(), "cursor: 포함");
    EXPECT_EQ(browse.at(4), "blink: 0/1 0/2 0/4");
    EXPECT_EQ(PressKey(VK_LEFT),
              (Lines{"zoom: 700 0 900 200", "info: 총 3개의 주기를 발견하였습니다.[ 3/3 ]", "result: stay"}));
    EXPECT_EQ(PressKey(VK_DELETE), (Lines{"messagebox: 총 3개의 포함 문자를 삭제하였습니다.", "result: finish"}));
    EXPECT_FALSE(SegmentExists(2));
    EXPECT_EQ(TextOf(40), L" 2");
    EXPECT_EQ(TextOf(30), L"거실");
}

TEST_F(TypicalRun, KeysAreLeftAloneOnceTheRunHasEnded)
{
    Browse(L"0");
    ZhdSendConfirm();
    TakeTranscript();
    EXPECT_EQ(PressKey(VK_RIGHT), Lines{});
    EXPECT_EQ(KeyinsReceived(), Lines{});
    ZhdStartCommand();
    TakeTranscript();
    EXPECT_EQ(PressKey(VK_RIGHT), Lines{}) << "no bogus search text at the next run's first prompt";
}

TEST_F(TypicalRun, AStartWhileBrowsingLeavesNoShortcutBehind)
{
    Browse(L"0");
    ZhdStartCommand();  // the host starts the command again without ending the pass
    TakeTranscript();
    EXPECT_EQ(PressKey(VK_RIGHT), Lines{}) << "no search text typed at the new first prompt";
    EXPECT_EQ(KeyinsReceived(), Lines{});
}

TEST_F(TypicalRun, UnloadingRemovesTheHookOnceAndThenDoesNothing)
{
    Browse(L"0");
    EXPECT_EQ(ZhdCallUnload(), 0);
    EXPECT_EQ(PressKey(VK_RIGHT), Lines{}) << "the hook went with the unload";
    EXPECT_EQ(ZhdCallUnload(), 0);
    EXPECT_EQ(zhd::Transcript().size(), 10u) << "unloading shows nothing and changes nothing else";
}

TEST_F(TypicalRun, AQuickSecondPressLeavesTheResultBoxUp)
{
    Browse(L"0");
    ZhdSetModalMessageBoxes(1);
    ZhdQueueDialogAnswer("ok");
    Press(VK_DELETE);
    Press(VK_DELETE);  // a few milliseconds later, before the first one's word has arrived
    Press(VK_RIGHT);
    ZhdPumpMessages(500);
    EXPECT_EQ(ZhdPendingDialogAnswers(), 0) << "the result box stayed up until the host answered it";
    EXPECT_EQ(KeyinsReceived(), Lines{"\"zoomd\""});
    EXPECT_FALSE(SegmentExists(1));
    EXPECT_TRUE(SegmentExists(3));
}

TEST_F(TypicalRun, AWindowOwnedByTheHostWindowGetsTheKeysAsTyped)
{
    Browse(L"0");
    HWND palette = CreateWindowExW(0, L"EDIT", L"abc", WS_POPUP | WS_VISIBLE | WS_BORDER, 20, 20, 200, 24, host_,
                                   nullptr, nullptr, nullptr);
    SetForegroundWindow(palette);
    SetFocus(palette);
    SendMessageW(palette, EM_SETSEL, 0, 0);
    ASSERT_EQ(GetForegroundWindow(), palette);
    EXPECT_EQ(PressKey(VK_RIGHT), Lines{});
    EXPECT_EQ(PressKey(VK_DELETE), Lines{});
    wchar_t text[16] = {};
    GetWindowTextW(palette, text, 16);
    DestroyWindow(palette);
    EXPECT_EQ(std::wstring(text), L"ac") << "the caret moved on, and the letter after it went";
    EXPECT_EQ(KeyinsReceived(), Lines{});
}

TEST_F(TypicalRun, KeysEditATextBeingTyped)
{
    Browse(L"0");
    EXPECT_EQ(PressKey('X'), Lines{});
    EXPECT_EQ(PressKey(VK_LEFT), Lines{}) << "the caret moves back over the x";
    EXPECT_EQ(PressKey(VK_DELETE), Lines{}) << "the x goes, and no match with it";
    EXPECT_TRUE(SegmentExists(1));
    EXPECT_EQ(PressKey(VK_RIGHT),
              (Lines{"zoom: -100 -100 100 100", "info: 총 2개의 주기를 발견하였습니다.[ 1/2 ]", "result: stay"}))
        << "the key-in line is empty again";
    EXPECT_EQ(KeyinsReceived(), Lines{"\"zoomn\""});
}

// The host's own text command ends the plug-in's pass without telling it, as a host does when the
// user starts another command; Escape then cancels that command.
class PassTheHostEnded : public TypicalRun, public ::testing::WithParamInterface<bool> {};

TEST_P(PassTheHostEnded, GetsAtMostOneWordAndNoneAfterAnEscape)
{
    KeyRecorder recorder;  // runs after the plug-in's hook: sees what it passes on
    Browse(L"0");
    ASSERT_EQ(ZhdStartTextCommand(), 0);
    bool escape = GetParam();
    Lines strayWords;
    for (WORD key : {VK_ESCAPE, VK_RIGHT, VK_RIGHT, VK_LEFT, VK_DELETE}) {
        if (key == VK_ESCAPE && !escape)
            continue;
        for (const std::string& line : PressKey(key))
            if (line.rfind("keyin to ", 0) == 0)
                strayWords.push_back(line);
    }
    ZhdPumpMessages(600);  // beyond the half second the hook waits for a word
    KeyRecorder::Seen().clear();
    PressKey(VK_RIGHT);
    EXPECT_EQ(strayWords, escape ? Lines{} : Lines{"keyin to the host: zoomn"});
    EXPECT_TRUE(SawKeyDown(KeyRecorder::Seen(), VK_RIGHT)) << "now every key reaches the host untouched";
    EXPECT_TRUE(SegmentExists(1));
}

INSTANTIATE_TEST_SUITE_P(Cases, PassTheHostEnded, ::testing::Values(false, true));

TEST(RegularDll, FailsToLoadWhenItsApplicationRefusesToStart)
{
    HMODULE module = LoadLibraryW(L"refusing_app.dll");
    DWORD error = GetLastError();
    EXPECT_EQ(module, nullptr);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_DLL_INIT_FAILED)) << "found, but its start-up refused";
    if (module)
        FreeLibrary(module);
}

// What the file carries: exports, imports, version and manifest.
class PluginFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        module_ = LoadLibraryExW(PluginPath().c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
        ASSERT_NE(module_, nullptr);
        base_ = reinterpret_cast<const BYTE*>(module_);
        auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base_);
        nt_ = reinterpret_cast<const IMAGE_NT_HEADERS64*>(base_ + dos->e_lfanew);
    }
    void TearDown() override { FreeLibrary(module_); }

    const IMAGE_DATA_DIRECTORY& Directory(int index) const { return nt_->OptionalHeader.DataDirectory[index]; }

    HMODULE module_ = nullptr;
    const BYTE* base_ = nullptr;
    const IMAGE_NT_HEADERS64* nt_ = nullptr;
};

TEST_F(PluginFile, ExportsStartupAlone)
{
    auto* exports =
        reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base_ + Directory(IMAGE_DIRECTORY_ENTRY_EXPORT).VirtualAddress);
    std::vector<std::string> names;
    auto* nameTable = reinterpret_cast<const DWORD*>(base_ + exports->AddressOfNames);
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
        names.emplace_back(reinterpret_cast<const char*>(base_ + nameTable[i]));
    EXPECT_EQ(names, Lines{"Startup"});
    EXPECT_EQ(exports->NumberOfFunctions, 1u);
}

// Besides the host's ZelLib.dll, Windows' own libraries and the runtime the toolchain links: with
// GCC its runtime is in the DLL, and only Windows' C library is imported; with Visual Studio the
// shared framework and runtime are, the C runtime through its API sets.
#ifdef _MSC_VER
const std::set<std::string> AllowedImports = {"ADVAPI32.DLL",     "KERNEL32.DLL",       "USER32.DLL",   "MFC140U.DLL",
                                              "VCRUNTIME140.DLL", "VCRUNTIME140_1.DLL", "MSVCP140.DLL", "ZELLIB.DLL"};
const std::string AllowedImportPrefix = "API-MS-WIN-CRT-";
#else
const std::set<std::string> AllowedImports = {"ADVAPI32.DLL", "KERNEL32.DLL", "MSVCRT.DLL", "USER32.DLL", "ZELLIB.DLL"};
const std::string AllowedImportPrefix = "";
#endif

TEST_F(PluginFile, ImportsSystemLibrariesAndTheHostsOnly)
{
    auto* import = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(
        base_ + Directory(IMAGE_DIRECTORY_ENTRY_IMPORT).VirtualAddress);
    std::set<std::string> imported, unexpected;
    for (; import->Name; ++import) {
        std::string name = reinterpret_cast<const char*>(base_ + import->Name);
        std::transform(name.begin(), name.end(), name.begin(), [](char c) { return static_cast<char>(toupper(c)); });
        imported.insert(name);
        bool prefixed = !AllowedImportPrefix.empty() && name.rfind(AllowedImportPrefix, 0) == 0;
        if (!AllowedImports.count(name) && !prefixed)
            unexpected.insert(name);
    }
    EXPECT_EQ(unexpected, std::set<std::string>{}) << "all imports: " << ::testing::PrintToString(imported);
    EXPECT_EQ(imported.count("ZELLIB.DLL"), 1u);
}

std::wstring VersionString(const std::vector<BYTE>& info, const wchar_t* key)
{
    wchar_t* value = nullptr;
    UINT length = 0;
    std::wstring path = std::wstring(L"\\StringFileInfo\\041204b0\\") + key;
    if (!VerQueryValueW(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) || !value)
        return L"<missing>";
    return value;
}

TEST_F(PluginFile, CarriesItsVersionInKorean)
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(module_, path, MAX_PATH);
    std::vector<BYTE> info(GetFileVersionInfoSizeW(path, nullptr));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(GetFileVersionInfoW(path, 0, static_cast<DWORD>(info.size()), info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00040002u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00010001u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00040002u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00010001u);
    EXPECT_EQ(VersionString(info, L"FileVersion"), L"4.2.1.1");
    EXPECT_EQ(VersionString(info, L"InternalName"), L"Sorvane.dll");
    EXPECT_EQ(VersionString(info, L"OriginalFilename"),
              L"Sorvane.dll[apSorvane_16.png,apSorvane_24.png,apSorvane_32.png]");
    EXPECT_EQ(VersionString(info, L"ProductName"), L"Sorvane Dll");
    EXPECT_EQ(VersionString(info, L"ProductVersion"), L"2.3.4.2.1.1");
    std::wstring description = VersionString(info, L"FileDescription");
    EXPECT_TRUE(
        std::any_of(description.begin(), description.end(), [](wchar_t c) { return c >= 0xAC00 && c <= 0xD7A3; }))
        << "a Korean title: " << Utf8(description);
}

TEST_F(PluginFile, CarriesTheManifest)
{
    HRSRC found = FindResourceW(module_, MAKEINTRESOURCEW(2), MAKEINTRESOURCEW(24));
    ASSERT_NE(found, nullptr);
    std::string manifest(static_cast<const char*>(LockResource(LoadResource(module_, found))),
                         SizeofResource(module_, found));
    EXPECT_NE(manifest.find("level=\"asInvoker\" uiAccess=\"false\""), std::string::npos) << manifest;
    EXPECT_NE(manifest.find(">true</dpiAware>"), std::string::npos) << manifest;
}

}  // namespace
