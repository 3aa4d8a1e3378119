// The single and list runs against fake DIFx functions: calls, flags, the
// need-reboot flag, results, forwarded log events and the teardown.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeDifx.h"
#include "FreeCounter.h"
#include "ListLoad.h"
#include "RecordingCallback.h"
#include "cmdline/CommandLineInfo.h"

namespace {

using Timeline = std::vector<std::string>;

class PackageRun : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_dir.Path().empty());
        ResetFakes();
    }
    void TearDown() override { EXPECT_EQ(DroppedEvents(), 0u); }

    // A list file with the header and the given lines.
    std::wstring WriteList(const std::string& strLines)
    {
        std::wstring strPath = m_dir.File(L"list.txt");
        EXPECT_TRUE(WriteFileBytes(strPath, ";inflist\n" + strLines));
        return strPath;
    }

    // Runs a list in a batch of its own, torn down before returning.
    INT RunListFile(const std::wstring& strPath, INT nOperation, bool bQuiet)
    {
        CDriverPackageBatch batch(&m_rec);
        batch.m_strListFile.Assign(strPath.c_str());
        return batch.RunList(nOperation, bQuiet);
    }

    INT RunOne(INT nOperation, bool bQuiet, LPCWSTR pszPath)
    {
        CDriverPackageBatch batch(&m_rec);
        return batch.RunSingle(nOperation, bQuiet, pszPath);
    }

    std::vector<TIMELINE_EVENT> PackageCalls() const
    {
        std::vector<TIMELINE_EVENT> calls;
        for (size_t i = 0; i < EventCount(); ++i) {
            EEvent kind = EventAt(i).kind;
            if (kind == EEvent::Install || kind == EEvent::Uninstall || kind == EEvent::Preinstall)
                calls.push_back(EventAt(i));
        }
        return calls;
    }

    CScratchDir m_dir;
    CRecordingCallback m_rec;
};

// Order of calls per kind of run

TEST_F(PackageRun, SingleRunBeginsCallsDifxAndEnds)
{
    g_bFakeDifxReportsLog = true;
    EXPECT_EQ(RunOne(opInstall, false, L"a.inf"), 0);
    EXPECT_EQ(DescribeTimeline(), (Timeline{ "SetLogCallback(set, set)", "BeginPackage(2, a.inf)",
                                             "Install(a.inf, 0x1)", "OnLogEvent(1, 0x0, a.inf)",
                                             "OnLogEvent(0, 0x0, done)", "EndOperation(2, true)",
                                             "SetLogCallback(null, null)" }));
}

TEST_F(PackageRun, ListRunReportsTotalThenOneStepPerEntryAndNoEnd)
{
    std::wstring strList = WriteList("a.inf\nb.inf\n");
    EXPECT_EQ(RunListFile(strList, opPreinstall, false), 0);
    EXPECT_EQ(DescribeTimeline(), (Timeline{ "SetLogCallback(set, set)", "SetTotal(2)", "Preinstall(a.inf, 0x5)",
                                             "StepDone", "Preinstall(b.inf, 0x5)", "StepDone",
                                             "SetLogCallback(null, null)" }));
}

TEST_F(PackageRun, ListRunForwardsLogEventsBeforeEachStep)
{
    g_bFakeDifxReportsLog = true;
    std::wstring strList = WriteList("a.inf\nb#2.inf\n");
    EXPECT_EQ(RunListFile(strList, opUninstall, true), 2);
    EXPECT_EQ(DescribeTimeline(),
              (Timeline{ "SetLogCallback(set, set)", "SetTotal(2)", "Uninstall(a.inf, 0x26)",
                         "OnLogEvent(1, 0x0, a.inf)", "OnLogEvent(0, 0x0, done)", "StepDone",
                         "Uninstall(b#2.inf, 0x26)", "OnLogEvent(1, 0x0, b#2.inf)", "OnLogEvent(3, 0x2, failed)",
                         "StepDone", "SetLogCallback(null, null)" }));
}

TEST_F(PackageRun, EmptyListReportsTotalZeroAndReturnsZero)
{
    std::wstring strList = WriteList("");
    EXPECT_EQ(RunListFile(strList, opInstall, false), 0);
    EXPECT_EQ(DescribeTimeline(), (Timeline{ "SetLogCallback(set, set)", "SetTotal(0)", "SetLogCallback(null, null)" }));
}

TEST_F(PackageRun, WrongHeaderGivesMinusOneWithoutAnyPackageCall)
{
    std::wstring strPath = m_dir.File(L"list.txt");
    ASSERT_TRUE(WriteFileBytes(strPath, "inflist\na.inf\n"));
    EXPECT_EQ(RunListFile(strPath, opInstall, false), -1);
    EXPECT_EQ(DescribeTimeline(), (Timeline{ "SetLogCallback(set, set)", "SetTotal(0)", "SetLogCallback(null, null)" }));
}

TEST_F(PackageRun, MissingListGivesMinusOneAndNoNotification)
{
    EXPECT_EQ(RunListFile(m_dir.File(L"none.txt"), opInstall, false), -1);
    EXPECT_EQ(DescribeTimeline(), (Timeline{ "SetLogCallback(set, set)", "SetLogCallback(null, null)" }));
}

// Flags per operation

struct FlagCase
{
    INT nOperation;
    bool bQuiet;
    EEvent kind;
    DWORD dwFlags;
};

const FlagCase g_flagCases[] = {
    { opInstall, false, EEvent::Install, 0x1 },       { opInstall, true, EEvent::Install, 0x3 },
    { opUninstall, false, EEvent::Uninstall, 0x24 },  { opUninstall, true, EEvent::Uninstall, 0x26 },
    { opPreinstall, false, EEvent::Preinstall, 0x5 }, { opPreinstall, true, EEvent::Preinstall, 0x7 },
};

TEST_F(PackageRun, EachOperationCallsItsFunctionWithItsFlags)
{
    for (const FlagCase& c : g_flagCases) {
        SCOPED_TRACE("operation " + std::to_string(c.nOperation) + (c.bQuiet ? " quiet" : ""));
        ResetFakes();
        RunOne(c.nOperation, c.bQuiet, L"one.inf");
        RunListFile(WriteList("l1.inf\nl2.inf\n"), c.nOperation, c.bQuiet);
        std::vector<TIMELINE_EVENT> calls = PackageCalls();
        ASSERT_EQ(calls.size(), 3u);
        for (const TIMELINE_EVENT& call : calls) {
            EXPECT_EQ(call.kind, c.kind);
            EXPECT_EQ(call.dw, c.dwFlags) << Describe(call);
            // Installer information is never given.
            EXPECT_EQ(call.pv1, nullptr);
            // Only install and uninstall take a need-reboot flag.
            EXPECT_EQ(call.pv2 != nullptr, c.kind != EEvent::Preinstall);
        }
    }
}

TEST_F(PackageRun, OperationOutsideTheThreeCallsNoDifxFunction)
{
    EXPECT_EQ(RunOne(opFixConflict, false, L"a.inf"), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(PackageCalls().empty());
}

// The need-reboot flag

TEST_F(PackageRun, NeedRebootIsFalseAtTheFirstCallAndOneFlagServesTheWholeRun)
{
    for (INT nOperation : { opInstall, opUninstall }) {
        ResetFakes();
        RunListFile(WriteList("a.inf\nb.inf\nc.inf\n"), nOperation, false);
        std::vector<TIMELINE_EVENT> calls = PackageCalls();
        ASSERT_EQ(calls.size(), 3u);
        EXPECT_EQ(calls[0].bRebootAtCall, FALSE);
        EXPECT_NE(calls[0].pv2, nullptr);
        EXPECT_EQ(calls[1].pv2, calls[0].pv2);
        EXPECT_EQ(calls[2].pv2, calls[0].pv2);

        ResetFakes();
        RunOne(nOperation, true, L"a.inf");
        calls = PackageCalls();
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_NE(calls[0].pv2, nullptr);
        EXPECT_EQ(calls[0].bRebootAtCall, FALSE);
    }
}

// Results

TEST_F(PackageRun, FailingMiddleEntryDoesNotStopTheList)
{
    EXPECT_EQ(RunListFile(WriteList("a.inf\nb#1460.inf\nc.inf\n"), opInstall, false), 0);
    EXPECT_EQ(PackageCalls().size(), 3u);
    EXPECT_EQ(EventsOf(EEvent::StepDone).size(), 3u);
}

TEST_F(PackageRun, ListResultIsTheLastEntrysCode)
{
    EXPECT_EQ(RunListFile(WriteList("a#5.inf\nb.inf\nc#0xE0000302.inf\n"), opInstall, false),
              static_cast<INT>(0xE0000302u));
    EXPECT_EQ(RunListFile(WriteList("a#5.inf\nb#87.inf\nc.inf"), opInstall, false), 0);
}

TEST_F(PackageRun, SingleResultIsDifxsCodeAsSigned)
{
    EXPECT_EQ(RunOne(opPreinstall, false, L"x#0xE0000303.inf"), static_cast<INT>(0xE0000303u));
    EXPECT_EQ(RunOne(opInstall, false, L"y#3.inf"), 3);
}

TEST_F(PackageRun, EmptyEntryIsPassedUnchanged)
{
    RunListFile(WriteList("a.inf\n\nb.inf\n"), opInstall, false);
    std::vector<TIMELINE_EVENT> calls = PackageCalls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_FALSE(calls[1].bTextNull);
    EXPECT_STREQ(calls[1].szText, L"");
}

// Log events

TEST_F(PackageRun, ForwarderIsRegisteredWithTheBatchAsContext)
{
    CDriverPackageBatch batch(&m_rec);
    batch.RunSingle(opInstall, false, L"a.inf");
    EXPECT_EQ(FakeLogCallback(), &CDriverPackageBatch::DifxLogForwarder);
    EXPECT_EQ(FakeLogContext(), &batch);
}

TEST_F(PackageRun, ForwarderHandsEachEventToOnLogEventUnchanged)
{
    CDriverPackageBatch batch(&m_rec);
    CDriverPackageBatch::DifxLogForwarder(DIFXAPI_WARNING, 0xE0000302, L"staged twice", &batch);
    CDriverPackageBatch::DifxLogForwarder(DIFXAPI_ERROR, 5, L"", &batch);
    EXPECT_EQ(DescribeTimeline(),
              (Timeline{ "OnLogEvent(2, 0xE0000302, staged twice)", "OnLogEvent(3, 0x5, )" }));
}

// Teardown

TEST_F(PackageRun, TeardownClearsTheCallbackBeforeReleasingTheListPath)
{
    std::wstring strList = WriteList("a.inf\n");
    RunListFile(strList, opInstall, false);
    std::vector<TIMELINE_EVENT> registrations = EventsOf(EEvent::SetLogCallback);
    ASSERT_EQ(registrations.size(), 2u);
    EXPECT_EQ(registrations[1].pv1, nullptr);
    EXPECT_EQ(registrations[1].pv2, nullptr);
    EXPECT_EQ(std::wstring(registrations[1].szText), strList);
    EXPECT_EQ(FakeLogCallback(), nullptr);
}

TEST_F(PackageRun, TeardownClearsTheCallbackAfterAnUnloadableList)
{
    EXPECT_EQ(RunListFile(m_dir.File(L"none.txt"), opInstall, false), -1);
    EXPECT_EQ(FakeLogCallback(), nullptr);
    EXPECT_EQ(FakeLogContext(), nullptr);
    ASSERT_FALSE(EventsOf(EEvent::SetLogCallback).empty());
    EXPECT_EQ(Describe(EventAt(EventCount() - 1)), "SetLogCallback(null, null)");
}

TEST_F(PackageRun, TeardownFreesEveryEntryAndTheListPath)
{
    std::wstring strList = WriteList("a.inf\nb.inf\n\nd.inf\ne.inf\n");
    auto* pBatch = new CDriverPackageBatch(&m_rec);
    ASSERT_TRUE(pBatch->m_strListFile.Assign(strList.c_str()));
    ASSERT_TRUE(pBatch->LoadInfList());
    int nFrees;
    {
        CFreeCounter count;
        pBatch->~CDriverPackageBatch();
        nFrees = CFreeCounter::Frees();
    }
    ::operator delete(pBatch);
    EXPECT_EQ(nFrees, 6);
}

// The default notification object

TEST_F(PackageRun, NullCallbackReportsToTheBatchsOwnObject)
{
    g_bFakeDifxReportsLog = true;
    CDriverPackageBatch batch(nullptr);
    EXPECT_EQ(batch.m_pCallback, &batch.m_defaultCallback);
    batch.m_strListFile.Assign(WriteList("a.inf\nb#2.inf\n").c_str());
    EXPECT_EQ(batch.RunList(opInstall, false), 2);
    EXPECT_EQ(batch.RunSingle(opUninstall, false, L"c.inf"), 0);
    EXPECT_EQ(PackageCalls().size(), 3u);
    EXPECT_TRUE(EventsOf(EEvent::OnLogEvent).empty());
}

} // namespace
