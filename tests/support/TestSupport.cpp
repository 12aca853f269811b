#include "tests/support/TestSupport.h"

#include "command/Command.h"
#include "command/Matches.h"
#include "settings/SettingsStore.h"

void HostTest::SetUp()
{
    HostFixture::SetUp();
    SearchText.clear();
    SearchMethod = 0;
    MatchCount = 0;
    CurrentIndex = 0;
    ViewBox = BoundingBox{};
    WindowCorner1 = EventPoint{};
}

void EnterBrowseDirectly(Chain chain, const std::wstring& searchText)
{
    SearchText = searchText;
    MatchCount = 0;
    CollectMatches(nullptr, chain);
    ASSERT_GT(MatchCount, 0) << "no match to browse";
    CurrentIndex = 0;
    ZhdStartAt(chain == Chain::Identical ? BrowseReady<Chain::Identical> : BrowseReady<Chain::Contains>);
}
