// The module-level values as the library is loaded, before anything has run.
#include "tests/support/TestSupport.h"

#include "hook/KeyHook.h"
#include "plugin/SorvaneApp.h"
#include "settings/SettingsStore.h"

#include <algorithm>

namespace {

struct ValuesAtLoad {
    std::wstring settingsSubkey, searchText;
    std::int32_t searchMethod, matchCount, currentIndex;
    bool tableEmpty, viewBoxZero, cornerZero, noHook, appRegistered, appUnnamed;
};

ValuesAtLoad AtLoad;

// Runs before the first test case, so nothing has touched the values yet.
class SnapshotAtLoad : public ::testing::Environment {
public:
    void SetUp() override
    {
        AtLoad.settingsSubkey = SettingsSubkey;
        AtLoad.searchText = SearchText;
        AtLoad.searchMethod = SearchMethod;
        AtLoad.matchCount = MatchCount;
        AtLoad.currentIndex = CurrentIndex;
        AtLoad.tableEmpty = std::all_of(std::begin(MatchTable), std::end(MatchTable), [](const MatchEntry& e) {
            return e.qualifier == 0 && e.segmentId == 0 && e.elementId == 0;
        });
        AtLoad.viewBoxZero = ViewBox.xmin == 0 && ViewBox.ymin == 0 && ViewBox.xmax == 0 && ViewBox.ymax == 0;
        AtLoad.cornerZero = WindowCorner1.x == 0 && WindowCorner1.y == 0;
        AtLoad.noHook = HookHandle.Get() == nullptr;
        AtLoad.appRegistered = AfxGetStaticModuleState()->m_pCurrentWinApp == &theApp;
        AtLoad.appUnnamed = theApp.m_pszAppName == nullptr;
    }
};

const auto* const Registered = ::testing::AddGlobalTestEnvironment(new SnapshotAtLoad);

TEST(ModuleValues, AtLoadHoldOnlyTheSubkeyAndTheApplicationObject)
{
    EXPECT_EQ(AtLoad.settingsSubkey, L"Sorvane");
    EXPECT_EQ(AtLoad.searchText, L"");
    EXPECT_EQ(AtLoad.searchMethod, 0);
    EXPECT_EQ(AtLoad.matchCount, 0);
    EXPECT_EQ(AtLoad.currentIndex, 0);
    EXPECT_TRUE(AtLoad.tableEmpty);
    EXPECT_TRUE(AtLoad.viewBoxZero);
    EXPECT_TRUE(AtLoad.cornerZero);
    EXPECT_TRUE(AtLoad.noHook);
    EXPECT_TRUE(AtLoad.appRegistered) << "the module's one application object";
    EXPECT_TRUE(AtLoad.appUnnamed);
}

}  // namespace
