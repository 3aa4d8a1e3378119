// RunDriverOperation from a parsed command line to the closing notification.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CurrentFolder.h"
#include "FakeDifx.h"
#include "ListLoad.h"
#include "RecordingCallback.h"
#include "cmdline/CommandLineInfo.h"
#include "cmdline/CommandLineTokenizer.h"
#include "packages/DriverOperation.h"
#include "support/FailAlloc.h"

namespace {

using Timeline = std::vector<std::string>;

class Dispatcher : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_dir.Path().empty());
        ResetFakes();
    }
    void TearDown() override { EXPECT_EQ(DroppedEvents(), 0u); }

    // Parses the tail the way start-up does and runs the result.
    INT Run(const std::wstring& strTail, CDiffxApiCallback* pCallback)
    {
        CTavelinCommandLineInfo info;
        std::wstring strCopy = strTail;
        ParseCommandLineInto(&strCopy[0], info);
        return RunDriverOperation(pCallback, info);
    }
    INT Run(const std::wstring& strTail) { return Run(strTail, &m_rec); }

    CScratchDir m_dir;
    CRecordingCallback m_rec;
};

TEST_F(Dispatcher, NeitherFileNorListRunsInflistTxtInTheCurrentFolder)
{
    ASSERT_TRUE(WriteFileBytes(m_dir.File(L"inflist.txt"), ";inflist\nhere.inf\n"));
    CCurrentFolder cwd(m_dir.Path());
    ASSERT_TRUE(cwd.IsChanged());
    EXPECT_EQ(Run(L"/i"), 0);
    EXPECT_EQ(DescribeTimeline(), (Timeline{ "SetLogCallback(set, set)", "SetTotal(1)", "Install(here.inf, 0x1)",
                                             "StepDone", "EndOperation(2, true)", "SetLogCallback(null, null)" }));
}

TEST_F(Dispatcher, MissingDefaultListEndsWithOnlyEndOperation)
{
    CCurrentFolder cwd(m_dir.Path());
    ASSERT_TRUE(cwd.IsChanged());
    EXPECT_EQ(Run(L"/q /p"), -1);
    EXPECT_EQ(DescribeTimeline(),
              (Timeline{ "SetLogCallback(set, set)", "EndOperation(4, true)", "SetLogCallback(null, null)" }));
}

TEST_F(Dispatcher, GivenFileWinsOverGivenListWhichStaysUnopened)
{
    // A readable list: had it been opened, SetTotal would show it.
    ASSERT_TRUE(WriteFileBytes(m_dir.File(L"b.txt"), ";inflist\nlisted.inf\n"));
    CCurrentFolder cwd(m_dir.Path());
    ASSERT_TRUE(cwd.IsChanged());
    EXPECT_EQ(Run(L"/u /s a.inf /l b.txt"), 0);
    EXPECT_EQ(DescribeTimeline(), (Timeline{ "SetLogCallback(set, set)", "BeginPackage(3, a.inf)",
                                             "Uninstall(a.inf, 0x24)", "EndOperation(3, true)",
                                             "EndOperation(3, true)", "SetLogCallback(null, null)" }));
}

TEST_F(Dispatcher, ListInASubfolderIsRunFromThere)
{
    ASSERT_TRUE(CreateDirectoryW(m_dir.File(L"lists").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(m_dir.File(L"lists\\x.txt"), ";inflist\r\np1.inf\r\np2#9.inf\r\n"));
    ASSERT_TRUE(WriteFileBytes(m_dir.File(L"inflist.txt"), ";inflist\ndefault.inf\n"));
    CCurrentFolder cwd(m_dir.Path());
    ASSERT_TRUE(cwd.IsChanged());
    EXPECT_EQ(Run(L"/p /l lists\\x.txt"), 9);
    EXPECT_EQ(DescribeTimeline(), (Timeline{ "SetLogCallback(set, set)", "SetTotal(2)", "Preinstall(p1.inf, 0x5)",
                                             "StepDone", "Preinstall(p2#9.inf, 0x5)", "StepDone",
                                             "EndOperation(4, true)", "SetLogCallback(null, null)" }));
}

TEST_F(Dispatcher, SingleRunEndsTwiceWithTheSameArguments)
{
    EXPECT_EQ(Run(L"/p /q /s d#0xE0000304.inf"), static_cast<INT>(0xE0000304u));
    std::vector<TIMELINE_EVENT> ends = EventsOf(EEvent::EndOperation);
    ASSERT_EQ(ends.size(), 2u);
    EXPECT_EQ(Describe(ends[0]), "EndOperation(4, true)");
    EXPECT_EQ(Describe(ends[1]), Describe(ends[0]));
}

TEST_F(Dispatcher, RepairWithoutVendorDoesNothing)
{
    EXPECT_EQ(Run(L"/f"), 0);
    EXPECT_EQ(FakeRepairCalls(), 0);
    // Only the teardown's unregistering reaches DIFx; no notification at all.
    EXPECT_EQ(DescribeTimeline(), Timeline{ "SetLogCallback(null, null)" });
}

TEST_F(Dispatcher, RepairForRezuvRunsOnlyTheRepairEvenWithAFileGiven)
{
    EXPECT_EQ(Run(L"/f rezuv /s a.inf /q"), 0);
    EXPECT_EQ(FakeRepairCalls(), 1);
    EXPECT_EQ(DescribeTimeline(), (Timeline{ "FixMtpDriverConflict", "SetLogCallback(null, null)" }));
}

TEST_F(Dispatcher, AbsentFilePathCountsAsNotGiven)
{
    ASSERT_TRUE(WriteFileBytes(m_dir.File(L"inflist.txt"), ";inflist\nfrom-list.inf\n"));
    CCurrentFolder cwd(m_dir.Path());
    ASSERT_TRUE(cwd.IsChanged());
    CTavelinCommandLineInfo info;
    std::wstring strTail = L"/u /s";
    ParseCommandLineInto(&strTail[0], info);
    {
        CFailAlloc fail(0);
        info.ParseToken(L"lost.inf", false, false);
    }
    ASSERT_TRUE(info.m_strInfFile.IsAbsent());
    EXPECT_EQ(RunDriverOperation(&m_rec, info), 0);
    std::vector<TIMELINE_EVENT> calls = EventsOf(EEvent::Uninstall);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_STREQ(calls[0].szText, L"from-list.inf");
}

} // namespace
