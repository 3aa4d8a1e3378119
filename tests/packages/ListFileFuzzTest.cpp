// Hostile list files and scarce memory: reading never crashes, never reads past
// a piece, and either takes the whole list or none of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
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

// The text the reader sees: cut at Ctrl-Z, CR LF read as LF.
std::string TextModeOf(const std::string& strBytes)
{
    const std::string strCut = strBytes.substr(0, strBytes.find('\x1A'));
    std::string strText;
    for (size_t i = 0; i < strCut.size(); ++i) {
        if (!(strCut[i] == '\r' && i + 1 < strCut.size() && strCut[i + 1] == '\n'))
            strText.push_back(strCut[i]);
    }
    return strText;
}

std::string RandomListBytes(std::mt19937& rng)
{
    static const char* const s_headers[] = { ";inflist\n", ";inflist\r\n", ";INFLIST\n", ";inflist", "" };
    std::uniform_int_distribution<int> percent(0, 999);
    std::string str;
    int nHeader = percent(rng);
    if (nHeader < 850)
        str = s_headers[nHeader % 5];

    std::uniform_int_distribution<int> length(0, 600);
    std::uniform_int_distribution<int> hugeRun(900, 3200);
    std::uniform_int_distribution<int> letter('a', 'z');
    std::uniform_int_distribution<int> high(0x80, 0xFF);
    int n = length(rng);
    for (int i = 0; i < n; ++i) {
        int p = percent(rng);
        if (p < 500)
            str.push_back(static_cast<char>(letter(rng)));
        else if (p < 600)
            str.push_back('\n');
        else if (p < 680)
            str.push_back('\r');
        else if (p < 710)
            str.push_back('\0');
        else if (p < 712)
            str.push_back('\x1A');
        else if (p < 860)
            str.push_back(static_cast<char>(high(rng)));
        else if (p < 990)
            str.push_back(p % 2 ? '\\' : ' ');
        else
            str.append(static_cast<size_t>(hugeRun(rng)), static_cast<char>(p % 3 ? 'x' : '\xE9'));
    }
    return str;
}

TEST(InfListFuzz, RandomFilesStayBoundedAndKeepTheirText)
{
    // The exact entries of each rule are the literal cases of ListFileTest;
    // here random files are held to what any reading of them must keep.
    CScratchDir dir;
    ASSERT_FALSE(dir.Path().empty());
    std::mt19937 rng(20261209);
    int nLoaded = 0;
    int nWithEntries = 0;
    for (int iRun = 0; iRun < 1000; ++iRun) {
        std::string strBytes = RandomListBytes(rng);
        SCOPED_TRACE("run " + std::to_string(iRun) + ", " + std::to_string(strBytes.size()) + " bytes");
        LIST_LOAD load = LoadListBytes(dir, strBytes);
        const std::string strText = TextModeOf(strBytes);
        const std::wstring strWide = FromAnsi(strText);

        ASSERT_EQ(load.totals.size(), 1u);
        ASSERT_EQ(static_cast<size_t>(load.totals[0]), load.entries.size());
        // A header of its own line is read as one; a text that starts
        // with anything but the semicolon has none (an empty one is an empty
        // list).
        if (strText.compare(0, 9, ";inflist\n") == 0) {
            ASSERT_TRUE(load.bLoaded);
        }
        if (!strText.empty() && strText[0] != ';') {
            ASSERT_FALSE(load.bLoaded);
        }
        if (!load.bLoaded) {
            ASSERT_TRUE(load.entries.empty());
        }
        // Each line after the header gives at least one entry, and a line
        // more than one only for each 1023 bytes it holds.
        const size_t cLineFeeds = static_cast<size_t>(std::count(strText.begin(), strText.end(), '\n'));
        if (load.bLoaded && strText.compare(0, 9, ";inflist\n") == 0) {
            ASSERT_GE(load.entries.size(), cLineFeeds - 1);
        }
        ASSERT_LE(load.entries.size(), cLineFeeds + 1 + strText.size() / 1023);
        for (const std::wstring& strEntry : load.entries) {
            ASSERT_LE(strEntry.size(), 1023u);
            // Entries are the file's own text, never anything else.
            ASSERT_NE(strWide.find(strEntry), std::wstring::npos);
            ASSERT_EQ(strEntry.find(L'\n'), std::wstring::npos);
        }
        nLoaded += load.bLoaded;
        nWithEntries += !load.entries.empty();
    }
    // The generator must exercise both outcomes and real lists.
    EXPECT_GT(nLoaded, 500);
    EXPECT_LT(nLoaded, 1000);
    EXPECT_GT(nWithEntries, 400);
}

// Memory refused from each allocation on

const char c_szSixEntries[] = ";inflist\na.inf\nb#3.inf\n\nd.inf\ne.inf\nf#5.inf\n";
const size_t c_cSixEntries = 6;

TEST(InfListOutOfMemory, ReadingKeepsAllEntriesOrNone)
{
    CScratchDir dir;
    std::wstring strPath = dir.File(L"list.txt");
    ASSERT_TRUE(WriteFileBytes(strPath, c_szSixEntries));
    bool bSawFailure = false;
    bool bSawSuccess = false;
    for (int n = 0; n < 20 && !bSawSuccess; ++n) {
        SCOPED_TRACE("allocations allowed: " + std::to_string(n));
        ResetFakes();
        CRecordingCallback rec;
        CDriverPackageBatch batch(&rec);
        ASSERT_TRUE(batch.m_strListFile.Assign(strPath.c_str()));
        bool bLoaded;
        int nRefused;
        {
            CFailAlloc fail(n);
            bLoaded = batch.LoadInfList();
            nRefused = CFailAlloc::Refused();
        }
        std::vector<TIMELINE_EVENT> totals = EventsOf(EEvent::SetTotal);
        ASSERT_EQ(totals.size(), 1u);
        if (nRefused == 0) {
            bSawSuccess = true;
            EXPECT_TRUE(bLoaded);
            EXPECT_EQ(totals[0].n, 6);
            EXPECT_EQ(EntriesOf(batch).size(), c_cSixEntries);
        } else {
            bSawFailure = true;
            EXPECT_FALSE(bLoaded);
            EXPECT_EQ(totals[0].n, 0);
            EXPECT_TRUE(batch.m_entries.IsEmpty());
        }
    }
    EXPECT_TRUE(bSawFailure);
    EXPECT_TRUE(bSawSuccess);
}

TEST(InfListOutOfMemory, ListRunInstallsTheWholeListOrNothing)
{
    CScratchDir dir;
    std::wstring strPath = dir.File(L"list.txt");
    ASSERT_TRUE(WriteFileBytes(strPath, c_szSixEntries));
    // An empty default list in the current folder: falling back to it after a
    // failed copy of the list path would need no memory and return 0.
    ASSERT_TRUE(WriteFileBytes(dir.File(L"inflist.txt"), ";inflist\n"));
    CCurrentFolder cwd(dir.Path());
    ASSERT_TRUE(cwd.IsChanged());
    CTavelinCommandLineInfo info;
    std::wstring strTail = L"/i /l \"" + strPath + L"\"";
    ParseCommandLineInto(&strTail[0], info);
    ASSERT_EQ(info.m_nOperation, opInstall);

    bool bSawSuccess = false;
    int nFailures = 0;
    for (int n = 0; n < 20 && !bSawSuccess; ++n) {
        SCOPED_TRACE("allocations allowed: " + std::to_string(n));
        ResetFakes();
        CRecordingCallback rec;
        INT nResult;
        int nRefused;
        {
            CFailAlloc fail(n);
            nResult = RunDriverOperation(&rec, info);
            nRefused = CFailAlloc::Refused();
        }
        ASSERT_EQ(DroppedEvents(), 0u);
        size_t cInstalls = EventsOf(EEvent::Install).size();
        if (nRefused == 0) {
            bSawSuccess = true;
            EXPECT_EQ(nResult, 5);
            EXPECT_EQ(cInstalls, c_cSixEntries);
            continue;
        }
        ++nFailures;
        EXPECT_EQ(nResult, -1);
        EXPECT_EQ(cInstalls, 0u);
        EXPECT_TRUE(EventsOf(EEvent::StepDone).empty());
        std::vector<std::string> timeline = DescribeTimeline();
        // An uncopied list path is never opened; a list cut short is reported
        // as empty, like a wrong header.
        std::vector<std::string> unopened = { "SetLogCallback(set, set)", "EndOperation(2, true)",
                                              "SetLogCallback(null, null)" };
        std::vector<std::string> cutShort = { "SetLogCallback(set, set)", "SetTotal(0)", "EndOperation(2, true)",
                                              "SetLogCallback(null, null)" };
        EXPECT_TRUE(timeline == unopened || timeline == cutShort) << ::testing::PrintToString(timeline);
    }
    EXPECT_TRUE(bSawSuccess);
    // The default path, the list path and each of the six entries.
    EXPECT_EQ(nFailures, 8);
}

TEST(InfListOutOfMemory, SingleRunNeedsNoMemory)
{
    CTavelinCommandLineInfo info;
    std::wstring strTail = L"/u /s x#4.inf /l list.txt";
    ParseCommandLineInto(&strTail[0], info);
    ResetFakes();
    CRecordingCallback rec;
    INT nResult;
    {
        CFailAlloc fail(0);
        nResult = RunDriverOperation(&rec, info);
    }
    EXPECT_EQ(nResult, 4);
    EXPECT_EQ(EventsOf(EEvent::Uninstall).size(), 1u);
}

} // namespace
