// Where trust comes from: an elevated run warns once when its relative paths
// resolve in a folder that others than administrators can write. Wine gives
// every folder to the user and every process an elevated token, so a table
// puts in the elevation and the folder's descriptor: first how a descriptor
// is judged, then the warning through the real runs against the fake DIFx.
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

// The descriptor the fake reports, as SDDL; null: it cannot be read.
const wchar_t* g_pszSddl = nullptr;
bool g_bElevated = true;
int g_cAsked = 0;
std::wstring g_strAsked;

const FOLDER_TRUST_API c_fakeApi = {
    [] { return g_bElevated; },
    [](LPCWSTR pszName, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID* ppOwner, PSID*, PACL* ppDacl, PACL*,
       PSECURITY_DESCRIPTOR* ppDescriptor) {
        ++g_cAsked;
        g_strAsked = pszName;
        BOOL bDefaulted = FALSE, bPresent = FALSE;
        if (!g_pszSddl ||
            !ConvertStringSecurityDescriptorToSecurityDescriptorW(g_pszSddl, SDDL_REVISION_1, ppDescriptor, nullptr))
            return static_cast<DWORD>(ERROR_ACCESS_DENIED);
        *ppOwner = nullptr;
        *ppDacl = nullptr;
        GetSecurityDescriptorOwner(*ppDescriptor, ppOwner, &bDefaulted);
        GetSecurityDescriptorDacl(*ppDescriptor, &bPresent, ppDacl, &bDefaulted);
        return static_cast<DWORD>(ERROR_SUCCESS);
    },
};

class CFakeFolderTrust
{
public:
    CFakeFolderTrust(const wchar_t* pszSddl, bool bElevated) : m_saved(g_folderTrustApi)
    {
        g_folderTrustApi = c_fakeApi;
        g_pszSddl = pszSddl;
        g_bElevated = bElevated;
        g_cAsked = 0;
    }
    ~CFakeFolderTrust() { g_folderTrustApi = m_saved; }

private:
    FOLDER_TRUST_API m_saved;
};

struct DESCRIPTOR_CASE
{
    const char* pszName;
    const wchar_t* pszSddl;
    EFolderTrust trust;
};

class FolderDescriptor : public ::testing::TestWithParam<DESCRIPTOR_CASE>
{
};

TEST_P(FolderDescriptor, IsJudgedByWhoElseMayPlantFiles)
{
    CFakeFolderTrust fake(GetParam().pszSddl, true);
    DWORD dwError = 0xBAD;
    EXPECT_EQ(CheckFolderTrust(L"C:\\deploy", &dwError), GetParam().trust);
    EXPECT_EQ(g_strAsked, L"C:\\deploy");
    EXPECT_EQ(dwError, GetParam().trust == folderUnknown ? static_cast<DWORD>(ERROR_ACCESS_DENIED) : 0u);
}

#define TI L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"
INSTANTIATE_TEST_SUITE_P(
    Table, FolderDescriptor,
    ::testing::Values(
        DESCRIPTOR_CASE{ "UsersOnlyRead", L"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)",
                         folderTrusted },
        DESCRIPTOR_CASE{ "SystemFolder", L"O:" TI L"D:P(A;;FA;;;" TI L")(A;OICIIO;GA;;;CO)(A;;0x1301bf;;;SY)",
                         folderTrusted },
        DESCRIPTOR_CASE{ "ForSubfoldersOnly", L"O:BAD:(A;OICI;FA;;;BA)(A;CIIO;GA;;;BU)", folderTrusted },
        DESCRIPTOR_CASE{ "DenyingOnly", L"O:SYD:(A;OICI;FA;;;SY)(D;OICI;FA;;;WD)", folderTrusted },
        DESCRIPTOR_CASE{ "OwnedByAUser", L"O:S-1-5-21-1-2-3-1001D:P(A;OICI;FA;;;BA)", folderWritable },
        DESCRIPTOR_CASE{ "NoListAtAll", L"O:BA", folderWritable },
        DESCRIPTOR_CASE{ "UsersCreateFiles", L"O:BAD:(A;OICI;FA;;;BA)(A;CI;0x100002;;;BU)", folderWritable },
        DESCRIPTOR_CASE{ "UsersCreateFolders", L"O:BAD:(A;OICI;FA;;;BA)(A;CI;0x100004;;;BU)", folderWritable },
        DESCRIPTOR_CASE{ "UsersModifyTheFiles", L"O:BAD:(A;OICI;FA;;;BA)(A;OIIO;0x1301bf;;;AU)", folderWritable },
        DESCRIPTOR_CASE{ "EveryoneChangesTheList", L"O:BAD:(A;OICI;FA;;;BA)(A;;WD;;;WD)", folderWritable },
        DESCRIPTOR_CASE{ "AsWineGivesEveryFolder",
                         L"O:S-1-5-21-0-0-0-1000D:(A;OICI;FA;;;SY)(A;OICI;FA;;;S-1-5-21-0-0-0-1000)", folderWritable },
        DESCRIPTOR_CASE{ "Unreadable", nullptr, folderUnknown }),
    [](const ::testing::TestParamInfo<DESCRIPTOR_CASE>& info) { return std::string(info.param.pszName); });
#undef TI

TEST(FolderDescriptor, RelativeMeansResolvedAgainstTheCurrentFolder)
{
    for (LPCWSTR psz : { L"inflist.txt", L"sub\\a.inf", L"..\\a.inf", L"C:a.inf" })
        EXPECT_TRUE(IsRelativeToCurrentFolder(psz)) << Narrow(psz);
    for (LPCWSTR psz : { L"C:\\a.inf", L"c:/a.inf", L"\\a.inf", L"\\\\server\\share\\a.inf", L"\\\\?\\C:\\a", L"" })
        EXPECT_FALSE(IsRelativeToCurrentFolder(psz)) << Narrow(psz);
}

struct WARNING_CASE
{
    const char* pszName;
    bool bElevated;
    bool bLog;
    const wchar_t* pszSingle; // /s, or null for a run of the default list
    const wchar_t* pszSddl;
    int cAsked;               // descriptor reads
    const char* pszSaid;      // after the folder; null: no warning
};

class CurrentFolderWarning : public ::testing::TestWithParam<WARNING_CASE>
{
};

TEST_P(CurrentFolderWarning, IsLoggedOnceWhereUsersCanChooseWhatIsInstalled)
{
    const WARNING_CASE& c = GetParam();
    ResetFakes();
    CScratchDir dir, logDir;
    CCurrentFolder cwd(dir.Path());
    ASSERT_TRUE(cwd.IsChanged());
    ASSERT_TRUE(WriteFileBytes(dir.File(L"inflist.txt"), ";inflist\r\na.inf\r\nb.inf\r\n"));
    {
        CFakeFolderTrust fake(c.pszSddl, c.bElevated);
        CRunLog log;
        ASSERT_TRUE(log.Open(logDir.File(L"run.log").c_str()));
        CDriverPackageBatch batch(nullptr);
        batch.m_pLog = c.bLog ? &log : nullptr;
        if (c.pszSingle)
            batch.RunSingle(opInstall, true, c.pszSingle);
        else
            batch.RunList(opInstall, true);
        EXPECT_EQ(g_cAsked, c.cAsked);
    }
    const std::string strLog = ReadFileBytes(logDir.File(L"run.log"));
    const std::string strWarning =
        "warning: relative paths resolve in \"" + Narrow(dir.Path()) + "\"" + (c.pszSaid ? c.pszSaid : "");
    EXPECT_EQ(strLog.find(c.pszSaid ? strWarning : "warning:") != std::string::npos, c.pszSaid != nullptr) << strLog;
    EXPECT_EQ(strLog.find("warning:"), strLog.rfind("warning:")) << strLog;
}

const wchar_t c_szUsers[] = L"O:BAD:(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;BU)";

INSTANTIATE_TEST_SUITE_P(
    Table, CurrentFolderWarning,
    ::testing::Values(
        WARNING_CASE{ "DefaultListInAUsersFolder", true, true, nullptr, c_szUsers, 1,
                      ", which others than administrators and SYSTEM can write: they can choose what this elevated "
                      "run uses\r\n" },
        WARNING_CASE{ "InAnAdministratorsFolder", true, true, nullptr, L"O:BAD:P(A;OICI;FA;;;BA)", 1, nullptr },
        WARNING_CASE{ "RelativeSingleInf", true, true, L"sub\\a.inf", c_szUsers, 1, ", which others" },
        WARNING_CASE{ "FullSingleInf", true, true, L"C:\\drivers\\a.inf", c_szUsers, 0, nullptr },
        WARNING_CASE{ "NotElevated", false, true, nullptr, c_szUsers, 0, nullptr },
        WARNING_CASE{ "WithoutALogNothingIsAsked", true, false, nullptr, c_szUsers, 0, nullptr },
        WARNING_CASE{ "Unreadable", true, true, L"a.inf", nullptr, 1, ", whose descriptor cannot be read: 0x00000005" }),
    [](const ::testing::TestParamInfo<WARNING_CASE>& info) { return std::string(info.param.pszName); });

} // namespace
