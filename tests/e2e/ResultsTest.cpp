// /o and /e through the real program: the exit code of each kind of outcome,
// quiet and behind the dialogs, and the lines of the log.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "E2eTexts.h"
#include "ProgramRun.h"
#include "UsbDeviceRegistry.h"
#include "support/SystemTexts.h"

namespace {

using Lines = std::vector<std::string>;

// The log's lines without their time stamps, and without the line of a wait
// for another test program's run. A line without a stamp or without its CRLF
// is marked, so that it fails every comparison.
Lines LogLines(const CProgramRun& run)
{
    static const std::regex stamp("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}[+-]\\d\\d:\\d\\d ");
    const std::string strBytes = ReadFileBytes(run.File(L"run.log"));
    Lines lines;
    for (size_t nAt = 0; nAt < strBytes.size();) {
        size_t nEnd = strBytes.find("\r\n", nAt);
        if (nEnd == std::string::npos) {
            lines.push_back("<torn> " + strBytes.substr(nAt));
            break;
        }
        const std::string strLine = strBytes.substr(nAt, nEnd - nAt);
        nAt = nEnd + 2;
        const bool bStamped = strLine.size() >= 30 && std::regex_match(strLine.substr(0, 30), stamp);
        if (bStamped && strLine.substr(30) == c_szWaitingLine)
            continue;
        // Wine's folders are all the user's own: every elevated run warns
        // of its current folder (packages_tests judge the warning).
        if (bStamped && strLine.compare(30, sizeof(c_szFolderWarning) - 1, c_szFolderWarning) == 0)
            continue;
        lines.push_back(bStamped ? strLine.substr(30) : "<no stamp> " + strLine);
    }
    return lines;
}

// Sets a stand-in knob for the children started while the holder lives.
class CKnob
{
public:
    CKnob(LPCWSTR pszName, LPCWSTR pszValue) : m_pszName(pszName) { SetEnvironmentVariableW(pszName, pszValue); }
    ~CKnob() { SetEnvironmentVariableW(m_pszName, nullptr); }
    CKnob(const CKnob&) = delete;
    CKnob& operator=(const CKnob&) = delete;

private:
    LPCWSTR m_pszName;
};

TEST(ResultLog, ListRunWithOneFailureLogsEveryStepAndEndsWithItsCode)
{
    CProgramRun run;
    ASSERT_TRUE(run.IsReady());
    ASSERT_TRUE(run.Write(L"inflist.txt", ";inflist\r\na.inf\r\nsub\\fail.inf\r\nC:\\x y\\c.inf\r\n"));
    const std::wstring strArgs = L"/i /q /o run.log /e";
    EXPECT_EQ(run.RunToEnd(strArgs, c_msStart), 2u);
    const std::string strFolder = Narrow(run.Folder());
    const std::string strOk = " (" + SystemText(0) + "), restart needed: no";
    EXPECT_EQ(LogLines(run), (Lines{
        "start tavelin 1.0.0.2, command line: \"" + strFolder + "\\tavelin.exe\" " + Narrow(strArgs) +
            ", driver install: DIFx \"" + strFolder + "\\DIFXAPI.dll\"",
        "list \"inflist.txt\" -> \"" + strFolder + "\\inflist.txt\": 3 entries",
        "event info 0x00000000: DriverPackageInstallW: a.inf",
        "event success 0x00000000: done",
        "install \"a.inf\" -> \"" + strFolder + "\\a.inf\": result 0x00000000" + strOk,
        "event info 0x00000000: DriverPackageInstallW: sub\\fail.inf",
        "event error 0x00000002: failed",
        "install \"sub\\fail.inf\" -> \"" + strFolder + "\\sub\\fail.inf\": result 0x00000002 (" + SystemText(2) +
            "), restart needed: no",
        "event info 0x00000000: DriverPackageInstallW: C:\\x y\\c.inf",
        "event success 0x00000000: done",
        "install \"C:\\x y\\c.inf\": result 0x00000000" + strOk,
        "end packages tried 3, succeeded 2, failed 1; restart needed: no; exit code with /e: 2 (0x00000002)",
    }));
}

TEST(ResultLog, NativePathAndItsEventsAreLoggedToo)
{
    CProgramRun run(CProgramRun::EDifx::None);
    ASSERT_TRUE(run.IsReady());
    EXPECT_EQ(run.RunToEnd(L"/p /q /s missing.inf /e /o run.log", c_msStart), 2u);
    const Lines lines = LogLines(run);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_NE(lines[0].find(", driver install: Windows device installation API"), std::string::npos) << lines[0];
    EXPECT_EQ(lines[1].rfind("event error 0x00000002: ", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2], "preinstall \"missing.inf\" -> \"" + Narrow(run.File(L"missing.inf")) + "\": result 0x00000002 (" +
                            SystemText(2) + "), restart needed: no");
}

TEST(ResultLog, UnopenableListIsLoggedWithItsCode)
{
    CProgramRun run;
    ASSERT_TRUE(run.IsReady());
    EXPECT_EQ(run.RunToEnd(L"/p /q /l none.txt /o run.log", c_msStart), 0u) << "no /e, no exit code";
    Lines lines = LogLines(run);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "list \"none.txt\" -> \"" + Narrow(run.File(L"none.txt")) + "\": cannot be opened: 0x00000002 (" +
                            SystemText(2) + "); no package of it is run");
    EXPECT_EQ(lines[2], "end packages tried 0, succeeded 0, failed 0; restart needed: no; exit code with /e: 2 (0x00000002)");
}

TEST(ResultLog, SecondRunAppendsBehindTheFirst)
{
    CProgramRun run;
    ASSERT_TRUE(run.IsReady());
    EXPECT_EQ(run.RunToEnd(L"/i /q /s a.inf /o run.log", c_msStart), 0u);
    const Lines first = LogLines(run);
    ASSERT_EQ(first.size(), 5u);
    CProgramRun again;
    ASSERT_TRUE(again.IsReady());
    EXPECT_EQ(again.RunToEnd(L"/u /q /s b-reboot.inf /o \"" + run.File(L"run.log") + L"\"", c_msStart), 0u);
    Lines both = LogLines(run);
    ASSERT_EQ(both.size(), 10u);
    EXPECT_EQ(Lines(both.begin(), both.begin() + 5), first);
    EXPECT_EQ(both[5].rfind("start tavelin ", 0), 0u);
    EXPECT_EQ(both[8].rfind("uninstall \"b-reboot.inf\"", 0), 0u);
    EXPECT_NE(both[8].find("restart needed: yes"), std::string::npos);
    EXPECT_EQ(both[9], "end packages tried 1, succeeded 1, failed 0; restart needed: yes; exit code with /e: 3010 (0x00000BC2)");
}

TEST(ResultLog, LogThatCannotBeOpenedLeavesTheRunAsItWas)
{
    for (const wchar_t* pszLog : { L"\"no such folder\\run.log\"", L"\"a folder\"" }) {
        CProgramRun run;
        ASSERT_TRUE(run.IsReady());
        ASSERT_TRUE(CreateDirectoryW(run.File(L"a folder").c_str(), nullptr));
        EXPECT_EQ(run.RunToEnd(L"/i /q /s x-fail-0x00000005.inf /e /o " + std::wstring(pszLog), c_msStart), 5u);
        EXPECT_EQ(run.Journal(), (Lines{ c_szRegister,
                                         "DriverPackageInstallW flags=0x3 info=null reboot=set path=x-fail-0x00000005.inf",
                                         c_szUnregister }));
        EXPECT_FALSE(FileExists(run.File(L"no such folder")));
    }
}

TEST(ResultLog, EventsFromOtherThreadsNeverTearALine)
{
    CProgramRun run;
    ASSERT_TRUE(run.IsReady());
    ASSERT_TRUE(run.Write(L"inflist.txt", ";inflist\na.inf\nb.inf\nc.inf\n"));
    const int cThreads = 6;
    CKnob burst(L"DIFXSTUB_EVENT_THREADS", L"6");
    EXPECT_EQ(run.RunToEnd(L"/i /q /o run.log /e", c_msStart), 0u);
    // "event info 0x0000000<k>: burst <k>.<j> ", 2000 '=', " end", each whole.
    size_t cBurst = 0;
    for (const std::string& strLine : LogLines(run)) {
        ASSERT_EQ(strLine.find('<'), std::string::npos) << strLine.substr(0, 80);
        if (strLine.compare(0, 20, "event info 0x0000000") != 0 || strLine.compare(21, 8, ": burst ") != 0)
            continue;
        EXPECT_EQ(strLine[29], strLine[20]);
        EXPECT_EQ(strLine.substr(strLine.find(' ', 30) + 1), std::string(2000, '=') + " end");
        ++cBurst;
    }
    EXPECT_EQ(cBurst, 3u * cThreads * 25);
}

TEST(ResultLog, RepairLogsEachDeviceItRemoves)
{
    CRegistryDevice conflicting(L"USB", L"VID_7A7A&PID_E2F1");
    CRegistryDevice other(L"USB", L"VID_7A7A&PID_E2F2");
    ASSERT_TRUE(DefineConflictingMtpDevice(conflicting) && DefineConflictingMtpDevice(other));
    ASSERT_TRUE(other.SetString(L"Mfg", L"Rezuv Corporation"));
    CProgramRun run;
    ASSERT_TRUE(run.IsReady());
    EXPECT_EQ(run.RunToEnd(L"/f rezuv /q /e /o run.log", c_msStart), 0u);
    EXPECT_FALSE(conflicting.Exists());
    const Lines lines = LogLines(run);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "repair removed device \"" + Narrow(conflicting.InstanceId()) + "\"");
    EXPECT_EQ(lines[2], "end packages tried 0, succeeded 0, failed 0; restart needed: no; exit code with /e: 0 (0x00000000)");
}

// Exit codes with /e

TEST(ResultExitCode, IsTheRunsResultQuietAndTheLogSaysTheSame)
{
    const struct
    {
        const char* pszList; // written as inflist.txt when not null
        const wchar_t* pszArgs;
        DWORD dwExit;
    } cases[] = {
        { ";inflist\na.inf\nb.inf\n", L"/i", 0 },
        { ";inflist\na.inf\nx-fail-0xE0000302.inf\nfail.inf\nb.inf\n", L"/u", 0xE0000302 },
        { ";inflist\na.inf\nneeds-REBOOT.inf\nb.inf\n", L"/i", 3010 },
        { ";inflist\nreboot.inf\nfail.inf\n", L"/i", 2 },
        { ";inflist\nreboot.inf\n", L"/p", 0 },
        { ";inflist\n", L"/i", 0 },
        { nullptr, L"/i /l none.txt", 2 },
        { "inflist\na.inf\n", L"/i", 13 },
        { nullptr, L"/p /s x-fail-0x80070005.inf", 0x80070005 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.pszArgs) + " " + (c.pszList ? c.pszList : "(no list)"));
        CProgramRun run;
        ASSERT_TRUE(run.IsReady());
        ASSERT_TRUE(!c.pszList || run.Write(L"inflist.txt", c.pszList));
        EXPECT_EQ(run.RunToEnd(std::wstring(c.pszArgs) + L" /q /e /o run.log", c_msStart), c.dwExit);
        const Lines lines = LogLines(run);
        ASSERT_FALSE(lines.empty());
        EXPECT_NE(lines.back().find("exit code with /e: " + std::to_string(c.dwExit) + " ("), std::string::npos);
    }
}

TEST(ResultExitCode, ProgressDialogRunGivesItsResultOnceItCloses)
{
    CProgramRun reboot;
    ASSERT_TRUE(reboot.IsReady());
    ASSERT_TRUE(reboot.Write(L"inflist.txt", ";inflist\na.inf\nreboot.inf\n"));
    EXPECT_EQ(reboot.RunToEnd(L"/i /e", c_msStart), 3010u);
    CProgramRun failure;
    ASSERT_TRUE(failure.IsReady());
    EXPECT_EQ(failure.RunToEnd(L"/u /s fail.inf /e /o run.log", c_msStart), 2u);
    EXPECT_EQ(LogLines(failure).size(), 5u);
}

TEST(ResultExitCode, UsageHelpGives87ForAnErrorAfterEOnceItIsClosed)
{
    const struct
    {
        const wchar_t* pszArgs;
        DWORD dwExit;
        const char* pszUsageLine;
    } cases[] = {
        { L"/e /o run.log /i /x", 87, "usage help shown: the command line has an error" },
        { L"/e /f Rezuv", 87, nullptr },
        { L"/x /e", 0, nullptr },
        { L"/e /o run.log /?", 0, "usage help shown" },
        { L"/e /q", 0, nullptr },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.pszArgs));
        CProgramRun run;
        ASSERT_TRUE(run.IsReady());
        ASSERT_TRUE(run.Start(c.pszArgs));
        HWND hDlg = run.WaitForWindow(c_szUsageCaption, c_msStart);
        ASSERT_NE(hDlg, nullptr);
        EXPECT_FALSE(run.HasExited());
        PostMessageW(hDlg, WM_COMMAND, IDOK, 0);
        DWORD dwExit = 1;
        ASSERT_TRUE(run.Wait(10000, &dwExit));
        EXPECT_EQ(dwExit, c.dwExit);
        if (c.pszUsageLine) {
            const Lines lines = LogLines(run);
            ASSERT_EQ(lines.size(), 3u);
            EXPECT_NE(lines[0].find(", driver install: none"), std::string::npos) << lines[0];
            EXPECT_EQ(lines[1], c.pszUsageLine);
            EXPECT_NE(lines[2].find("exit code with /e: " + std::to_string(c.dwExit)), std::string::npos);
        }
    }
}

} // namespace
