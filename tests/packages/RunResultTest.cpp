// What the end-to-end runs cannot bring about: a restart code as a result, a
// list cut short by memory, and the log lines of failed removals, an
// unreadable device list, odd events and the native driver-install path.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "CurrentFolder.h"
#include "FakeDifx.h"
#include "cmdline/CommandLineInfo.h"
#include "packages/DriverPackageBatch.h"
#include "support/FailAlloc.h"
#include "support/SystemTexts.h"
#include "support/TestFiles.h"

namespace {

using Lines = std::vector<std::string>;

TEST(RunResult, RestartCodeIsASuccessAndMemoryShortageIsNotEnoughMemory)
{
    ResetFakes();
    CScratchDir dir;
    const std::wstring strList = dir.File(L"list.txt");
    ASSERT_TRUE(WriteFileBytes(strList, ";inflist\na#3010.inf\nb.inf\nc.inf\n"));
    CDriverPackageBatch batch(nullptr);
    batch.m_strListFile.Assign(strList.c_str());
    EXPECT_EQ(batch.RunList(opPreinstall, true), 0);
    EXPECT_EQ(batch.m_summary.cFailed, 0u);
    EXPECT_EQ(SummaryExitCode(batch.m_summary), 3010u);

    CDriverPackageBatch cut(nullptr);
    cut.m_strListFile.Assign(strList.c_str());
    {
        // The first entry is kept, the second finds no memory.
        CFailAlloc fail(1);
        EXPECT_EQ(cut.RunList(opInstall, true), -1);
    }
    EXPECT_EQ(SummaryExitCode(cut.m_summary), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
}

// The system's text for a code in parentheses, or nothing.
std::string Text(DWORD dwCode)
{
    return SystemTextInParentheses(dwCode);
}

TEST(RunResult, LogLinesSayWhatHappenedInWords)
{
    CScratchDir dir;
    CCurrentFolder cwd(dir.Path());
    ASSERT_TRUE(cwd.IsChanged());
    {
        CRunLog log;
        ASSERT_TRUE(log.Open(L"run.log"));
        const DRIVER_INSTALL_API native = { installPathNative, L"", nullptr, nullptr, nullptr, nullptr, nullptr };
        log.Start(&native);
        log.DeviceRemoval(L"USB\\VID_7A7A&PID_0002\\2", ERROR_ACCESS_DENIED);
        log.DeviceListUnreadable(ERROR_INVALID_DATA);
        log.Event(7, 0xE0000302, L"odd");
        log.ListRead(L"l.txt", listOutOfMemory, ERROR_NOT_ENOUGH_MEMORY, 0);
        log.PackageCall(opUninstall, L"", 0xE0000302, FALSE, TRUE);
        log.PackageCall(opInstall, L"C:\\b.inf", ERROR_SUCCESS, TRUE, TRUE);
    }
    Lines lines;
    const std::string strBytes = ReadFileBytes(dir.File(L"run.log"));
    for (size_t nAt = 0, nEnd; (nEnd = strBytes.find("\r\n", nAt)) != std::string::npos; nAt = nEnd + 2)
        lines.push_back(strBytes.substr(nAt + 30, nEnd - nAt - 30));
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines[0].find(", driver install: Windows device installation API"), std::string::npos) << lines[0];
    EXPECT_EQ(Lines(lines.begin() + 1, lines.end()), (Lines{
        "repair failed to remove device \"USB\\VID_7A7A&PID_0002\\2\": 0x00000005" + Text(5),
        "repair cannot read the list of USB devices: 0x0000000D" + Text(13),
        "event type 7 0xE0000302: odd",
        "list \"l.txt\" -> \"" + Narrow(dir.Path()) + "\\l.txt\": out of memory while reading it: 0x00000008" + Text(8) +
            "; no package of it is run",
        "uninstall \"\": result 0xE0000302" + Text(0xE0000302) + ", restart needed: yes",
        "install \"C:\\b.inf\": result 0x00000000" + Text(0) + ", restart needed: already asked for earlier in the run",
    }));
}

// An install that leaves the package staged and no device worse off is a
// success, from either provider; for the other operations the same codes
// are failures.
TEST(RunResult, StagedInstallCountsAsSuccessAndItsLineSaysWhy)
{
    const struct
    {
        INT nOperation;
        DWORD dwResult;
        bool bSuccess;
        const char* pszSaid;
    } cases[] = {
        { opInstall, 0xE000020B, true, ", staged; no matching device is present" },
        { opInstall, ERROR_NO_MORE_ITEMS, true, ", staged; the devices keep a better driver" },
        { opUninstall, 0xE000020B, false, "" },
        { opPreinstall, ERROR_NO_MORE_ITEMS, false, "" },
        { opInstall, 0xE0000301, false, "" },
    };
    CScratchDir dir;
    CCurrentFolder cwd(dir.Path());
    ASSERT_TRUE(cwd.IsChanged());
    for (const auto& c : cases) {
        RUN_SUMMARY summary = {};
        CountPackageCall(&summary, c.nOperation, c.dwResult, FALSE);
        EXPECT_EQ(summary.cSucceeded, c.bSuccess ? 1u : 0u) << c.dwResult;
        EXPECT_EQ(SummaryExitCode(summary), c.bSuccess ? 0u : c.dwResult) << c.dwResult;
        DeleteFileW(L"run.log");
        {
            CRunLog log;
            ASSERT_TRUE(log.Open(L"run.log"));
            log.PackageCall(c.nOperation, L"C:\\a.inf", c.dwResult, FALSE, FALSE);
        }
        const std::string strLine = ReadFileBytes(dir.File(L"run.log"));
        char szCode[16];
        snprintf(szCode, sizeof(szCode), "0x%08lX", static_cast<unsigned long>(c.dwResult));
        EXPECT_NE(strLine.find(std::string(szCode) + Text(c.dwResult) + c.pszSaid + ", restart needed: no\r\n"),
                  std::string::npos)
            << strLine;
    }
}

} // namespace
