// What keeps a user from steering the elevated program through the log's
// path: every spelling Windows accepts for the log opens it (its whole path
// is compared with the file's final path; the end-to-end tests show that a
// link above it is refused), and the start-up policy that has the system
// ignore users' junctions, which Wine lacks, through a table.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "platform/LogFile.h"
#include "platform/RedirectionTrust.h"
#include "support/TestFiles.h"

namespace {

struct SPELLING
{
    const char* pszName;
    std::wstring (*pfnSpell)(const std::wstring& strFolder);
};

class LogPathSpelling : public ::testing::TestWithParam<SPELLING>
{
};

TEST_P(LogPathSpelling, OpensTheFileItNames)
{
    CScratchDir dir;
    const std::wstring strFolder = dir.File(L"Logs Folder");
    ASSERT_TRUE(CreateDirectoryW(strFolder.c_str(), nullptr));
    WCHAR szOld[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, szOld);
    ASSERT_TRUE(SetCurrentDirectoryW(dir.Path().c_str()));
    const std::wstring strPath = GetParam().pfnSpell(strFolder);
    {
        CLogFile log;
        EXPECT_TRUE(log.Open(strPath.c_str())) << Narrow(strPath);
        LPCWSTR rgpsz[] = { L"line" };
        log.WriteLine(rgpsz, 1);
    }
    SetCurrentDirectoryW(szOld);
    EXPECT_NE(ReadFileBytes(strFolder + L"\\run.log").find(" line\r\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Table, LogPathSpelling,
    ::testing::Values(
        SPELLING{ "Full", [](const std::wstring& s) { return s + L"\\run.log"; } },
        SPELLING{ "LongPathPrefix", [](const std::wstring& s) { return L"\\\\?\\" + s + L"\\run.log"; } },
        SPELLING{ "DevicePrefix", [](const std::wstring& s) { return L"\\\\.\\" + s + L"\\run.log"; } },
        SPELLING{ "OtherCase",
                  [](const std::wstring& s) {
                      std::wstring str = s + L"\\RUN.LOG";
                      for (wchar_t& ch : str)
                          ch = static_cast<wchar_t>(towupper(ch));
                      return str;
                  } },
        SPELLING{ "Relative", [](const std::wstring&) { return std::wstring(L"Logs Folder\\run.log"); } },
        SPELLING{ "DotsAndSlashes", [](const std::wstring& s) { return s + L"\\.\\..\\Logs Folder\\\\run.log"; } },
        SPELLING{ "ShortNames",
                  [](const std::wstring& s) {
                      WCHAR sz[MAX_PATH] = {};
                      const DWORD cch = GetShortPathNameW(s.c_str(), sz, MAX_PATH);
                      return (cch > 0 && cch < MAX_PATH ? std::wstring(sz) : s) + L"\\run.log";
                  } }),
    [](const ::testing::TestParamInfo<SPELLING>& info) { return std::string(info.param.pszName); });

struct POLICY_CASE
{
    const char* pszName;
    bool bExported;
    BOOL bAnswer; // older Windows refuses the policy
};

POLICY_CASE g_policy;
int g_cPolicyCalls = 0;
std::string g_strPolicyAsked;

class RedirectionTrust : public ::testing::TestWithParam<POLICY_CASE>
{
};

TEST_P(RedirectionTrust, IsAskedForWhereTheSystemHasIt)
{
    g_policy = GetParam();
    g_cPolicyCalls = 0;
    const PROCESS_POLICY_API saved = g_processPolicyApi;
    g_processPolicyApi.pfnSetProcessMitigationPolicy = nullptr;
    if (g_policy.bExported)
        g_processPolicyApi.pfnSetProcessMitigationPolicy = [](int nPolicy, PVOID pv, SIZE_T cb) {
            ++g_cPolicyCalls;
            g_strPolicyAsked = std::to_string(nPolicy) + "/" + std::to_string(cb) + "/" +
                               std::to_string(cb == sizeof(DWORD) ? *static_cast<DWORD*>(pv) : 0xBAD);
            return g_policy.bAnswer;
        };
    EXPECT_EQ(EnforceRedirectionTrust(), g_policy.bExported && g_policy.bAnswer);
    g_processPolicyApi = saved;
    EXPECT_EQ(g_cPolicyCalls, g_policy.bExported ? 1 : 0);
    // ProcessRedirectionTrustPolicy (16), with EnforceRedirectionTrust set.
    if (g_policy.bExported) {
        EXPECT_EQ(g_strPolicyAsked, "16/4/1");
    }
}

INSTANTIATE_TEST_SUITE_P(Table, RedirectionTrust,
                         ::testing::Values(POLICY_CASE{ "Taken", true, TRUE }, POLICY_CASE{ "Refused", true, FALSE },
                                           POLICY_CASE{ "NotExported", false, FALSE }),
                         [](const ::testing::TestParamInfo<POLICY_CASE>& info) {
                             return std::string(info.param.pszName);
                         });

} // namespace
