// /o and /e in the settings record: the log path, the exit-code flag, and
// which usage help counts as a command-line error.
#include <gtest/gtest.h>

#include <string>

#include "cmdline/CommandLineInfo.h"
#include "cmdline/CommandLineTokenizer.h"

namespace {

struct Case
{
    const wchar_t* pszTail;
    const wchar_t* pszLogFile;
    bool bExitCode;
    int nOperation;
    bool bUsageError;
};

const Case g_cases[] = {
    { L"", L"", false, 0, false },
    { L"/i /o C:\\logs\\run.log", L"C:\\logs\\run.log", false, 2, false },
    { L"-O \"my logs\\a.log\" /u", L"my logs\\a.log", false, 3, false },
    { L"/o /e /i", L"e", false, 2, false },
    { L"/i /o", L"", false, 2, false },
    { L"/o a.log /o b.log -E", L"b.log", true, 0, false },
    { L"/e /o x.log /x", L"x.log", true, 1, true },
    { L"/x /e /o x.log", L"", false, 1, true },
    { L"/e /?", L"", true, 1, false },
    { L"/e /? /x", L"", true, 1, false },
    { L"/e /f Rezuv", L"", true, 1, true },
    { L"/e setup.inf", L"", true, 1, true },
    { L"/e /eo", L"", true, 1, true },
};

TEST(ResultOptions, LeaveTheExpectedRecord)
{
    for (const Case& c : g_cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.pszTail)));
        CTavelinCommandLineInfo info;
        std::wstring strTail = c.pszTail;
        ParseCommandLineInto(&strTail[0], info);
        EXPECT_STREQ(info.m_strLogFile.c_str(), c.pszLogFile);
        EXPECT_EQ(info.m_bExitCode, c.bExitCode);
        EXPECT_EQ(info.m_nOperation, c.nOperation);
        EXPECT_EQ(info.m_bUsageError, c.bUsageError);
    }
}

} // namespace
