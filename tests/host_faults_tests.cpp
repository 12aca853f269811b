// The stand-in host's faults: every result the plug-in examines can be made to fail, and a fault
// inside an export is a violation, never an exception that reaches the plug-in.
#include "tests/support/HostSupport.h"

#include <ZelLib.h>

namespace {

using Lines = std::vector<std::string>;

class Faults : public HostFixture {
protected:
    void TearDown() override {}  // these cases make the host record violations on purpose
};

std::int32_t AcceptAll(std::int32_t, std::int32_t) { return 1; }

TEST_F(Faults, ChangeTheResultsThePlugInExamines)
{
    DrawingBuilder().Annotation(1, 10, 0, 0, L"a").Annotation(2, 20, 0, 0, L"b").Annotation(3, 30, 0, 0, L"c").Load();
    ZhdFaultComment(10, 5);
    ZhdFaultCommentNullText(20);
    ZhdFaultDelete(3);
    ZhdFaultHeadElement(2, 99);
    ZhdFaultSearch(2, 1);
    ZhdFaultIdListOpen(2);

    CommentRecord record{};
    EXPECT_EQ(ZelCmtGetComment(10, &record), 5);
    record.text = L"not touched";
    EXPECT_EQ(ZelCmtGetComment(20, &record), 0);
    EXPECT_EQ(record.text, nullptr);
    EXPECT_EQ(ZelSgmDeleteSegment(3), -1);
    EXPECT_EQ(ZelSgmDeleteSegment(1), 0);
    EXPECT_EQ(ZelSgmGetHeadElementId(2), 99);
    EXPECT_EQ(ZelSgmSearchSegment2(nullptr, AcceptAll, 0), 0);
    EXPECT_EQ(ZelSgmSearchSegment2(nullptr, AcceptAll, 0), 1);
    EXPECT_EQ(ZelSgmSearchSegment2(nullptr, AcceptAll, 0), 0);
    ZelIdData first = ZelIddOpenApIdData(0, 1);
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(ZelIddOpenApIdData(0, 1), nullptr);
    EXPECT_NE(ZelIddOpenApIdData(0, 1), nullptr);
    EXPECT_EQ(ZelIddCloseApIdData(first), 0);
    EXPECT_EQ(zhd::Violations(), Lines{});
}

struct Inside {
    const char* function;
    std::int32_t (*call)();  // the export's result, as the plug-in would test it
    std::int32_t failing;
};

const Inside FailingInside[] = {
    {"ZelCtlRegisterZelLib2", [] { return ZelCtlRegisterZelLib2(nullptr, nullptr, nullptr); }, 0},
    {"ZelCmtGetComment",
     [] {
         CommentRecord record{};
         return ZelCmtGetComment(10, &record);
     },
     -1},
    {"ZelSgmSearchSegment2", [] { return ZelSgmSearchSegment2(nullptr, AcceptAll, 0); }, -1},
    {"ZelIddOpenApIdData", [] { return ZelIddOpenApIdData(0, 1) == nullptr ? -1 : 0; }, -1},
    {"ZelMsgPutMessage", [] { return ZelMsgPutMessage(L"a prompt"); }, -1},
};

class FaultInside : public Faults, public ::testing::WithParamInterface<Inside> {};

TEST_P(FaultInside, IsAViolationAndTheExportsFailingResultOnce)
{
    DrawingBuilder().Annotation(1, 10, 0, 0, L"a").Load();
    ZhdFaultInside(GetParam().function);
    EXPECT_EQ(GetParam().call(), GetParam().failing);
    EXPECT_EQ(zhd::Violations(),
              Lines{std::string(GetParam().function) + " failed inside the host: the fault the driver set"});
    EXPECT_NE(GetParam().call(), GetParam().failing) << "the next call works again";
}

INSTANTIATE_TEST_SUITE_P(Cases, FaultInside, ::testing::ValuesIn(FailingInside),
                         [](const auto& info) { return std::string(info.param.function); });

}  // namespace
