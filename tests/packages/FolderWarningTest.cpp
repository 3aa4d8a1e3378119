// The warning of an elevated run whose relative paths resolve in a folder
// that users can write, through the real runs against the fake DIFx, with
// the elevation and the folder's descriptor put in by a table: once per run,
// and only for an elevated run with a log and a relative path.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <string>

#include "CurrentFolder.h"
#include "FakeDifx.h"
#include "cmdline/CommandLineInfo.h"
#include "packages/DriverPackageBatch.h"
#include "platform/FolderTrust.h"
#include "support/TestFiles.h"

namespace {

struct WARNING_CASE
{
    const char* pszName;
    bool bElevated;
    bool bLog;
    const wchar_t* pszSingle; // /s, or null for a list run
    const char* pszList;      // the list's lines after the header
    const wchar_t* pszSddl;   // the current folder's descriptor; null: unreadable
    int cWarnings;
    int cAsked;               // descriptor reads
    const char* pszSaid;      // what the warning says after the folder
};

const WARNING_CASE* g_pCase = nullptr;
int g_cAsked = 0;

bool FakeIsElevated()
{
    return g_pCase->bElevated;
}

DWORD WINAPI FakeGetNamedSecurityInfoW(LPCWSTR, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID* ppOwner, PSID*,
                                       PACL* ppDacl, PACL*, PSECURITY_DESCRIPTOR* ppDescriptor)
{
    ++g_cAsked;
    if (!g_pCase->pszSddl)
        return ERROR_ACCESS_DENIED;
    PSECURITY_DESCRIPTOR pDescriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(g_pCase->pszSddl, SDDL_REVISION_1, &pDescriptor, nullptr))
        return GetLastError();
    BOOL bDefaulted = FALSE;
    BOOL bPresent = FALSE;
    GetSecurityDescriptorOwner(pDescriptor, ppOwner, &bDefaulted);
    GetSecurityDescriptorDacl(pDescriptor, &bPresent, ppDacl, &bDefaulted);
    *ppDescriptor = pDescriptor;
    return ERROR_SUCCESS;
}

class CurrentFolderWarning : public ::testing::TestWithParam<WARNING_CASE>
{
};

TEST_P(CurrentFolderWarning, IsLoggedOnceWhereUsersCanChooseWhatIsInstalled)
{
    const WARNING_CASE& c = GetParam();
    ResetFakes();
    CScratchDir dir;
    CCurrentFolder cwd(dir.Path());
    ASSERT_TRUE(cwd.IsChanged());
    ASSERT_TRUE(WriteFileBytes(dir.File(L"inflist.txt"), std::string(";inflist\r\n") + c.pszList));
    const FOLDER_TRUST_API saved = g_folderTrustApi;
    g_pCase = &c;
    g_cAsked = 0;
    g_folderTrustApi = { FakeIsElevated, FakeGetNamedSecurityInfoW };
    {
        CRunLog log;
        // The log lies elsewhere than the current folder: only the run's own
        // paths count.
        CScratchDir logDir;
        const std::wstring strLog = logDir.File(L"run.log");
        ASSERT_TRUE(log.Open(strLog.c_str()));
        CDriverPackageBatch batch(nullptr);
        batch.m_pLog = c.bLog ? &log : nullptr;
        if (c.pszSingle)
            batch.RunSingle(opInstall, true, c.pszSingle);
        else
            batch.RunList(opInstall, true);
        g_folderTrustApi = saved;
        const std::string strBytes = ReadFileBytes(strLog);
        const std::string strWarning = "warning: relative paths resolve in \"" + Narrow(dir.Path()) + "\"" + c.pszSaid;
        int cWarnings = 0;
        for (size_t nAt = strBytes.find("warning: relative"); nAt != std::string::npos;
             nAt = strBytes.find("warning: relative", nAt + 1))
            ++cWarnings;
        EXPECT_EQ(cWarnings, c.cWarnings) << strBytes;
        if (c.cWarnings) {
            EXPECT_NE(strBytes.find(strWarning), std::string::npos) << strBytes;
        }
    }
    g_folderTrustApi = saved;
    EXPECT_EQ(g_cAsked, c.cAsked);
}

const wchar_t c_szUsers[] = L"O:BAD:(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;BU)";
const wchar_t c_szAdmins[] = L"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)";
const char c_szWritable[] =
    ", which others than administrators and SYSTEM can write: they can choose what this elevated run uses\r\n";

INSTANTIATE_TEST_SUITE_P(
    Table, CurrentFolderWarning,
    ::testing::Values(
        WARNING_CASE{ "DefaultListInAUsersFolder", true, true, nullptr, "a.inf\r\nb.inf\r\n", c_szUsers, 1, 1,
                      c_szWritable },
        WARNING_CASE{ "DefaultListInAnAdministratorsFolder", true, true, nullptr, "a.inf\r\n", c_szAdmins, 0, 1, "" },
        WARNING_CASE{ "RelativeSingleInf", true, true, L"sub\\a.inf", "", c_szUsers, 1, 1, c_szWritable },
        WARNING_CASE{ "FullSingleInf", true, true, L"C:\\drivers\\a.inf", "", c_szUsers, 0, 0, "" },
        WARNING_CASE{ "NotElevated", false, true, nullptr, "a.inf\r\n", c_szUsers, 0, 0, "" },
        WARNING_CASE{ "WithoutALogNothingIsAsked", true, false, nullptr, "a.inf\r\n", c_szUsers, 0, 0, "" },
        WARNING_CASE{ "UnreadableDescriptor", true, true, L"a.inf", "", nullptr, 1, 1,
                      ", whose descriptor cannot be read: 0x00000005" }),
    [](const ::testing::TestParamInfo<WARNING_CASE>& info) { return std::string(info.param.pszName); });

} // namespace
