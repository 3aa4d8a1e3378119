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

// A /l or /s value whose copy failed while parsing: the run fails as with an
// unloadable list and never falls back to the default list, which is there and
// readable in every case below.
class LostValue : public Dispatcher
{
protected:
    void SetUp() override
    {
        Dispatcher::SetUp();
        ASSERT_TRUE(WriteFileBytes(m_dir.File(L"inflist.txt"), ";inflist\nfrom-default-list.inf\n"));
        ASSERT_TRUE(WriteFileBytes(m_dir.File(L"wanted.txt"), ";inflist\nwanted.inf\n"));
        ASSERT_TRUE(m_cwd.IsChanged());
    }

    // Parses strTail, then strLost as the value that follows it with every
    // allocation refused, then strRest; runs the result.
    INT RunWithLostValue(const std::wstring& strTail, LPCWSTR pszLost, const std::wstring& strRest = L"")
    {
        CTavelinCommandLineInfo info;
        std::wstring strCopy = strTail;
        ParseCommandLineInto(&strCopy[0], info);
        {
            CFailAlloc fail(0);
            info.ParseToken(pszLost, false, false);
        }
        std::wstring strRestCopy = strRest;
        ParseCommandLineInto(&strRestCopy[0], info);
        m_bListAbsent = info.m_strInfList.IsAbsent();
        m_bFileAbsent = info.m_strInfFile.IsAbsent();
        return RunDriverOperation(&m_rec, info);
    }

    CCurrentFolder m_cwd{ m_dir.Path() };
    bool m_bListAbsent = false;
    bool m_bFileAbsent = false;
};

TEST_F(LostValue, LostListOfAnUninstallRemovesNothing)
{
    EXPECT_EQ(RunWithLostValue(L"/u /l", L"wanted.txt"), -1);
    EXPECT_TRUE(m_bListAbsent);
    EXPECT_EQ(DescribeTimeline(),
              (Timeline{ "SetLogCallback(set, set)", "EndOperation(3, true)", "SetLogCallback(null, null)" }));
}

TEST_F(LostValue, LostFileFailsTheRunInsteadOfReadingTheDefaultList)
{
    EXPECT_EQ(RunWithLostValue(L"/u /s", L"lost.inf"), -1);
    EXPECT_TRUE(m_bFileAbsent);
    EXPECT_EQ(DescribeTimeline(),
              (Timeline{ "SetLogCallback(set, set)", "EndOperation(3, true)", "SetLogCallback(null, null)" }));
}

TEST_F(LostValue, LostFileWithAGivenListRunsNeitherOfThem)
{
    EXPECT_EQ(RunWithLostValue(L"/p /l wanted.txt /s", L"lost.inf"), -1);
    EXPECT_TRUE(EventsOf(EEvent::Preinstall).empty());
}

TEST_F(LostValue, GivenFileStillWinsOverALostList)
{
    EXPECT_EQ(RunWithLostValue(L"/i /l", L"wanted.txt", L"/s a.inf"), 0);
    EXPECT_EQ(DescribeTimeline(), (Timeline{ "SetLogCallback(set, set)", "BeginPackage(2, a.inf)",
                                             "Install(a.inf, 0x1)", "EndOperation(2, true)",
                                             "EndOperation(2, true)", "SetLogCallback(null, null)" }));
}

} // namespace
