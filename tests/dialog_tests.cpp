// The settings dialog on the real template from Sorvane.dll's resources, run modally on the
// virtual display and answered from inside its modal loop.
#include "tests/support/TestSupport.h"

#include "resources/resource.h"
#include "settings/SettingsStore.h"
#include "settings/SorvaneDlg.h"

#include <windows.h>

#include <cstring>

namespace {

// The plug-in's resources, as the dialog finds them in the DLL's own module state.
HMODULE PluginResources()
{
    static HMODULE module = LoadLibraryExW(L"Sorvane.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    return module;
}

std::wstring StoredMethod()
{
    std::wstring text;
    return ReadRegistryString(MethodKey, L"Method", text) == 0 ? text : L"<none>";
}

using TestedDialog = SorvaneDlg;

class Dialog : public HostTest {
protected:
    void SetUp() override
    {
        HostTest::SetUp();
        ASSERT_NE(PluginResources(), nullptr);
        AFX_MODULE_STATE* own = AfxGetStaticModuleState();
        own->m_hCurrentInstanceHandle = GetModuleHandleW(nullptr);
        own->m_hCurrentResourceHandle = PluginResources();
        RegDeleteTreeW(HKEY_CURRENT_USER, MethodKey.c_str());
    }

    // Runs the dialog with the plug-in's module state current, answering it as given.
    INT_PTR Run(std::initializer_list<const char*> answers, TestedDialog& dialog)
    {
        for (const char* answer : answers)
            ZhdQueueDialogAnswer(answer);
        AFX_MAINTAIN_STATE2 state(AfxGetStaticModuleState());
        INT_PTR result = dialog.DoModal();
        EXPECT_EQ(ZhdPendingDialogAnswers(), 0) << "the dialog closed before every answer was given";
        return result;
    }
};

const std::string Identical = "동일한 문자만 검색 및 치환, 삭제";
const std::string Contains = "포함된 문자 모두 검색 및 치환, 삭제";

std::string Shown(bool identical, bool contains)
{
    return "dialog: 주기검색" + std::string(identical ? " (o) " : " ( ) ") + Identical +
           (contains ? " (o) " : " ( ) ") + Contains;
}

struct Opening {
    const wchar_t* stored;  // null: no value at all
    bool identical;
    bool contains;
    const wchar_t* storedAfter;
    int methodAfterOk;
};

class DialogOpening : public Dialog, public ::testing::WithParamInterface<Opening> {};

TEST_P(DialogOpening, ShowsTheStoredMethod)
{
    if (GetParam().stored)
        StoreMethod(GetParam().stored);
    TestedDialog dialog;
    EXPECT_EQ(Run({"ok"}, dialog), IDOK);
    EXPECT_EQ(TakeTranscript(),
              (std::vector<std::string>{Shown(GetParam().identical, GetParam().contains), "dialog: ok"}));
    EXPECT_EQ(StoredMethod(), GetParam().storedAfter);
    EXPECT_EQ(dialog.m_nMethod, GetParam().methodAfterOk) << "OK reads the radio group back";
}

INSTANTIATE_TEST_SUITE_P(Cases, DialogOpening,
                         ::testing::Values(Opening{L"0", true, false, L"0", 0}, Opening{L"1", false, true, L"1", 1},
                                           Opening{nullptr, true, false, L"0", 0},
                                           Opening{L"5", false, false, L"5", -1}));

TEST_F(Dialog, EachClickIsStoredAtOnceAndCancelKeepsIt)
{
    TestedDialog dialog;
    EXPECT_EQ(Run({"click 15001", "cancel"}, dialog), IDCANCEL);
    EXPECT_EQ(StoredMethod(), L"1");
    EXPECT_EQ(dialog.m_nMethod, 1);
}

TEST_F(Dialog, TheLastClickBeforeOkIsTheMethod)
{
    TestedDialog dialog;
    EXPECT_EQ(Run({"click 15001", "click 15000", "ok"}, dialog), IDOK);
    EXPECT_EQ(StoredMethod(), L"0");
    EXPECT_EQ(dialog.m_nMethod, 0);
    EXPECT_EQ(TakeTranscript().at(4), Shown(true, false));
}

TEST_F(Dialog, ClickingTheCheckedButtonWritesTheSameValueAgain)
{
    StoreMethod(L"1");
    TestedDialog dialog;
    ZhdQueueDialogAnswer("click 15001");
    ZhdQueueDialogAnswer("cancel");
    // Remove the value while the dialog is open: only a fresh write can bring it back.
    SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        RegDeleteKeyValueW(HKEY_CURRENT_USER, MethodKey.c_str(), L"Method");
    });
    AFX_MAINTAIN_STATE2 state(AfxGetStaticModuleState());
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(StoredMethod(), L"1");
}

TEST_F(Dialog, WithTheWrongModuleStateTheTemplateIsNotFound)
{
    TestedDialog dialog;
    EXPECT_EQ(dialog.DoModal(), -1) << "the process's own module has no dialog 17001";
}

TEST_F(Dialog, HasTheClassInformationAndMessageMapOfTheFramework)
{
    TestedDialog dialog;
    const CRuntimeClass* runtime = dialog.GetRuntimeClass();
    EXPECT_STREQ(runtime->m_lpszClassName, "SorvaneDlg");
    EXPECT_EQ(runtime->m_wSchema, 0xFFFFu);
    EXPECT_EQ(runtime->m_pfnCreateObject, nullptr);
    EXPECT_EQ(runtime->m_pfnGetBaseClass(), RUNTIME_CLASS(CDialog));
    EXPECT_TRUE(dialog.IsKindOf(RUNTIME_CLASS(CWnd)));
    EXPECT_EQ(dialog.m_strSubkey, L"Sorvane");
    EXPECT_EQ(dialog.m_nMethod, 0);
}

// A reader of the extended dialog template as windres wrote it.
class TemplateReader {
public:
    explicit TemplateReader(const BYTE* data) : p_(data) {}
    template <class T>
    T Read()
    {
        T value;
        std::memcpy(&value, p_, sizeof value);
        p_ += sizeof value;
        return value;
    }
    std::wstring ReadText()
    {
        std::wstring text;
        for (wchar_t c; (c = Read<wchar_t>()) != 0;)
            text += c;
        return text;
    }
    // A name or ordinal: 0xFFFF followed by the ordinal, or a text.
    std::wstring ReadNameOrOrdinal()
    {
        if (Read<WORD>() == 0xFFFF)
            return L"#" + std::to_wstring(Read<WORD>());
        p_ -= sizeof(WORD);
        return ReadText();
    }
    void AlignToDword() { p_ = reinterpret_cast<const BYTE*>((reinterpret_cast<ULONG_PTR>(p_) + 3) & ~ULONG_PTR(3)); }

private:
    const BYTE* p_;
};

struct ControlRow {
    DWORD id;
    DWORD style;
    std::wstring text;
    short x, y, cx, cy;
    bool operator==(const ControlRow& o) const
    {
        return id == o.id && style == o.style && text == o.text && x == o.x && y == o.y && cx == o.cx && cy == o.cy;
    }
};

std::ostream& operator<<(std::ostream& out, const ControlRow& c)
{
    return out << "{id " << c.id << ", style 0x" << std::hex << c.style << std::dec << ", " << Utf8(c.text) << ", "
               << c.x << "," << c.y << " " << c.cx << "x" << c.cy << "}";
}

TEST(DialogTemplate, IsTheSettingsDialogExactly)
{
    HMODULE module = PluginResources();
    HRSRC found =
        FindResourceExW(module, MAKEINTRESOURCEW(5), MAKEINTRESOURCEW(IDD_SEARCH_SETTINGS), MAKELANGID(0x12, 0x01));
    ASSERT_NE(found, nullptr) << "dialog 17001 in Korean";
    TemplateReader r(static_cast<const BYTE*>(LockResource(LoadResource(module, found))));
    EXPECT_EQ(r.Read<WORD>(), 1) << "version";
    EXPECT_EQ(r.Read<WORD>(), 0xFFFF) << "extended template";
    EXPECT_EQ(r.Read<DWORD>(), 0u) << "help id";
    EXPECT_EQ(r.Read<DWORD>(), 0u) << "extended style";
    DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_SYSMODAL | DS_SETFOREGROUND;
    EXPECT_EQ(r.Read<DWORD>(), style);
    WORD controls = r.Read<WORD>();
    EXPECT_EQ(controls, 4);
    EXPECT_EQ(r.Read<short>(), 0);
    EXPECT_EQ(r.Read<short>(), 0);
    EXPECT_EQ(r.Read<short>(), 215);
    EXPECT_EQ(r.Read<short>(), 112);
    EXPECT_EQ(r.ReadNameOrOrdinal(), L"") << "menu";
    EXPECT_EQ(r.ReadNameOrOrdinal(), L"") << "class";
    EXPECT_EQ(r.ReadText(), L"주기검색");
    EXPECT_EQ(r.Read<WORD>(), 10) << "point size";
    EXPECT_EQ(r.Read<WORD>(), 400) << "weight";
    EXPECT_EQ(r.Read<BYTE>(), 0) << "italic";
    EXPECT_EQ(r.Read<BYTE>(), 129) << "character set";
    EXPECT_EQ(r.ReadText(), L"돋움체");

    const DWORD child = WS_CHILD | WS_VISIBLE;
    const std::vector<ControlRow> expected = {
        {IDOK, child | BS_DEFPUSHBUTTON | WS_TABSTOP, L"확인", 53, 73, 50, 14},
        {IDCANCEL, child | BS_PUSHBUTTON | WS_TABSTOP, L"취소", 107, 73, 50, 14},
        {IDC_RADIO_IDENTICAL, child | BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, L"동일한 문자만 검색 및 치환, 삭제",
         25, 20, 170, 12},
        {IDC_RADIO_CONTAINS, child | BS_AUTORADIOBUTTON, L"포함된 문자 모두 검색 및 치환, 삭제", 25, 38, 166, 12},
    };
    for (WORD i = 0; i < controls && i < expected.size(); ++i) {
        r.AlignToDword();
        ControlRow row{};
        EXPECT_EQ(r.Read<DWORD>(), 0u) << "help id";
        EXPECT_EQ(r.Read<DWORD>(), 0u) << "extended style";
        row.style = r.Read<DWORD>();
        row.x = r.Read<short>();
        row.y = r.Read<short>();
        row.cx = r.Read<short>();
        row.cy = r.Read<short>();
        row.id = r.Read<DWORD>();
        EXPECT_EQ(r.ReadNameOrOrdinal(), L"#128") << "the predefined button class";
        row.text = r.ReadNameOrOrdinal();
        EXPECT_EQ(r.Read<WORD>(), 0) << "creation data";
        EXPECT_EQ(row, expected[i]) << "control " << i + 1;
    }
}

// Run in a process of its own without a display (see tests/CMakeLists.txt).
TEST(DialogWithoutDisplay, CannotOpenAndIsNotConfirmed)
{
    if (GetEnvironmentVariableW(L"SORVANE_NO_DISPLAY", nullptr, 0) == 0)
        GTEST_SKIP() << "runs only in the no-display pass";
    AFX_MODULE_STATE* own = AfxGetStaticModuleState();
    own->m_hCurrentResourceHandle = PluginResources();
    AFX_MAINTAIN_STATE2 state(own);
    TestedDialog dialog;
    EXPECT_NE(dialog.DoModal(), IDOK);
}

}  // namespace
