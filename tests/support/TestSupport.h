// Helpers for tests that link the plug-in's library.
#pragma once

// The plug-in's sources come with the framework header first; so do the tests that include them.
#include "base/pch.h"

#include "command/CommandState.h"
#include "tests/support/HostSupport.h"

// Also resets the command's state before each case.
class HostTest : public HostFixture {
protected:
    void SetUp() override;
};

// Registers a chain's browse state with the host as EnterBrowsing would, after collecting the
// matches for `searchText` over the whole drawing.
void EnterBrowseDirectly(Chain chain, const std::wstring& searchText);
