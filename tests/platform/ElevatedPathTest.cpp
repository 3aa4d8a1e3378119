// What keeps a user from steering the elevated program through paths: the
// log's whole path against the file's final path (every spelling Windows
// accepts opens it; a link above it is refused), the start-up policy that
// has the system refuse users' junctions, and the judgement of a folder's
// descriptor. Wine cannot show the last two, so tables stand in for the
// system there.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <string>

#include "platform/FolderTrust.h"
#include "platform/LogFile.h"
#include "platform/RedirectionTrust.h"
#include "support/TestFiles.h"

namespace {

// Each spelling of one log path: opened as the same file, unless a link
// above it leads elsewhere.
struct SPELLING
{
    const char* pszName;
    std::wstring (*pfnSpell)(const std::wstring& strFolder);
    bool bOpens;
};

std::wstring ShortFolder(const std::wstring& strFolder)
{
    WCHAR sz[MAX_PATH] = {};
    const DWORD cch = GetShortPathNameW(strFolder.c_str(), sz, MAX_PATH);
    return (cch > 0 && cch < MAX_PATH ? std::wstring(sz) : strFolder) + L"\\run.log";
}

std::wstring Upper(const std::wstring& str)
{
    std::wstring strUpper = str;
    for (wchar_t& ch : strUpper)
        ch = static_cast<wchar_t>(towupper(ch));
    return strUpper;
}

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
    bool bOpened = false;
    {
        CLogFile log;
        bOpened = log.Open(strPath.c_str());
        LPCWSTR rgpsz[] = { L"line" };
        log.WriteLine(rgpsz, 1);
    }
    SetCurrentDirectoryW(szOld);
    EXPECT_EQ(bOpened, GetParam().bOpens) << Narrow(strPath);
    EXPECT_EQ(ReadFileBytes(strFolder + L"\\run.log").find(" line\r\n") != std::string::npos, GetParam().bOpens);
}

INSTANTIATE_TEST_SUITE_P(
    Table, LogPathSpelling,
    ::testing::Values(
        SPELLING{ "Full", [](const std::wstring& s) { return s + L"\\run.log"; }, true },
        SPELLING{ "LongPathPrefix", [](const std::wstring& s) { return L"\\\\?\\" + s + L"\\run.log"; }, true },
        SPELLING{ "DevicePrefix", [](const std::wstring& s) { return L"\\\\.\\" + s + L"\\run.log"; }, true },
        SPELLING{ "OtherCase", [](const std::wstring& s) { return Upper(s) + L"\\RUN.LOG"; }, true },
        SPELLING{ "Relative", [](const std::wstring&) { return std::wstring(L"Logs Folder\\run.log"); }, true },
        SPELLING{ "DotsAndDoubleBackslashes",
                  [](const std::wstring& s) { return s + L"\\.\\..\\Logs Folder\\\\run.log"; }, true },
        SPELLING{ "ShortNames", ShortFolder, true },
        SPELLING{ "ForwardSlashes",
                  [](const std::wstring& s) {
                      std::wstring str = s + L"/run.log";
                      for (wchar_t& ch : str)
                          ch = ch == L'\\' ? L'/' : ch;
                      return str;
                  },
                  true }),
    [](const ::testing::TestParamInfo<SPELLING>& info) { return std::string(info.param.pszName); });

// What SetProcessMitigationPolicy is asked, and what it answers.
struct POLICY_CALL
{
    int cCalls;
    int nPolicy;
    DWORD dwFlags;
    SIZE_T cb;
};
POLICY_CALL g_policyCall;
BOOL g_bPolicyAnswer = FALSE;

BOOL WINAPI FakeSetProcessMitigationPolicy(int nPolicy, PVOID pvBuffer, SIZE_T cbBuffer)
{
    ++g_policyCall.cCalls;
    g_policyCall.nPolicy = nPolicy;
    g_policyCall.cb = cbBuffer;
    g_policyCall.dwFlags = cbBuffer == sizeof(DWORD) ? *static_cast<DWORD*>(pvBuffer) : 0xFFFFFFFF;
    if (!g_bPolicyAnswer)
        SetLastError(ERROR_INVALID_PARAMETER);
    return g_bPolicyAnswer;
}

struct POLICY_CASE
{
    const char* pszName;
    bool bExported;
    BOOL bAnswer;
    bool bTaken;
};

class RedirectionTrust : public ::testing::TestWithParam<POLICY_CASE>
{
};

TEST_P(RedirectionTrust, IsAskedForWhereTheSystemHasIt)
{
    const POLICY_CASE& c = GetParam();
    const PROCESS_POLICY_API saved = g_processPolicyApi;
    g_policyCall = {};
    g_bPolicyAnswer = c.bAnswer;
    g_processPolicyApi.pfnSetProcessMitigationPolicy = c.bExported ? FakeSetProcessMitigationPolicy : nullptr;
    EXPECT_EQ(EnforceRedirectionTrust(), c.bTaken);
    g_processPolicyApi = saved;
    EXPECT_EQ(g_policyCall.cCalls, c.bExported ? 1 : 0);
    if (c.bExported) {
        // ProcessRedirectionTrustPolicy, EnforceRedirectionTrust.
        EXPECT_EQ(g_policyCall.nPolicy, 16);
        EXPECT_EQ(g_policyCall.cb, sizeof(DWORD));
        EXPECT_EQ(g_policyCall.dwFlags, 1u);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, RedirectionTrust,
                         ::testing::Values(POLICY_CASE{ "Windows11Taken", true, TRUE, true },
                                           POLICY_CASE{ "OlderWindowsRefuses", true, FALSE, false },
                                           POLICY_CASE{ "NotExported", false, FALSE, false }),
                         [](const ::testing::TestParamInfo<POLICY_CASE>& info) {
                             return std::string(info.param.pszName);
                         });

// A folder's descriptor as SDDL, and how the folder is judged.
struct FOLDER_CASE
{
    const char* pszName;
    const wchar_t* pszSddl; // null: the descriptor cannot be read
    EFolderTrust trust;
};
const FOLDER_CASE* g_pFolder = nullptr;
std::wstring g_strAskedFolder;

DWORD WINAPI FakeGetNamedSecurityInfoW(LPCWSTR pszName, SE_OBJECT_TYPE type, SECURITY_INFORMATION, PSID* ppOwner,
                                       PSID*, PACL* ppDacl, PACL*, PSECURITY_DESCRIPTOR* ppDescriptor)
{
    g_strAskedFolder = type == SE_FILE_OBJECT ? pszName : L"<not a file>";
    if (!g_pFolder->pszSddl)
        return ERROR_ACCESS_DENIED;
    PSECURITY_DESCRIPTOR pDescriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(g_pFolder->pszSddl, SDDL_REVISION_1, &pDescriptor,
                                                              nullptr))
        return GetLastError();
    BOOL bDefaulted = FALSE;
    BOOL bPresent = FALSE;
    *ppOwner = nullptr;
    *ppDacl = nullptr;
    GetSecurityDescriptorOwner(pDescriptor, ppOwner, &bDefaulted);
    GetSecurityDescriptorDacl(pDescriptor, &bPresent, ppDacl, &bDefaulted);
    *ppDescriptor = pDescriptor;
    return ERROR_SUCCESS;
}

class FolderTrust : public ::testing::TestWithParam<FOLDER_CASE>
{
};

TEST_P(FolderTrust, IsJudgedByWhoElseMayPlantFiles)
{
    const FOLDER_TRUST_API saved = g_folderTrustApi;
    g_pFolder = &GetParam();
    g_folderTrustApi.pfnGetNamedSecurityInfoW = FakeGetNamedSecurityInfoW;
    DWORD dwError = 0xBAD;
    EXPECT_EQ(CheckFolderTrust(L"C:\\deploy", &dwError), GetParam().trust);
    g_folderTrustApi = saved;
    EXPECT_EQ(g_strAskedFolder, L"C:\\deploy");
    EXPECT_EQ(dwError, GetParam().trust == folderUnknown ? static_cast<DWORD>(ERROR_ACCESS_DENIED) : 0u);
}

#define TI L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"
INSTANTIATE_TEST_SUITE_P(
    Table, FolderTrust,
    ::testing::Values(
        FOLDER_CASE{ "AdministratorsAndSystemOnlyUsersRead",
                     L"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)", folderTrusted },
        FOLDER_CASE{ "SystemFolderOfTrustedInstaller",
                     L"O:" TI L"D:P(A;;FA;;;" TI L")(A;CIIO;GA;;;" TI L")(A;OICIIO;GA;;;CO)(A;;0x1301bf;;;SY)"
                     L"(A;;0x1301bf;;;BA)(A;;0x1200a9;;;BU)",
                     folderTrusted },
        FOLDER_CASE{ "ForSubfoldersOnly", L"O:BAD:(A;OICI;FA;;;BA)(A;CIIO;GA;;;BU)", folderTrusted },
        FOLDER_CASE{ "DenyingOnly", L"O:SYD:(A;OICI;FA;;;SY)(D;OICI;FA;;;WD)", folderTrusted },
        FOLDER_CASE{ "OwnedByAUser", L"O:S-1-5-21-1-2-3-1001D:P(A;OICI;FA;;;BA)", folderWritable },
        FOLDER_CASE{ "NoListAtAll", L"O:BA", folderWritable },
        FOLDER_CASE{ "UsersCreateFiles", L"O:BAD:(A;OICI;FA;;;BA)(A;CI;0x100002;;;BU)", folderWritable },
        FOLDER_CASE{ "UsersCreateFolders", L"O:BAD:(A;OICI;FA;;;BA)(A;CI;0x100004;;;BU)", folderWritable },
        FOLDER_CASE{ "AuthenticatedUsersModifyTheFiles", L"O:BAD:(A;OICI;FA;;;BA)(A;OIIO;0x1301bf;;;AU)",
                     folderWritable },
        FOLDER_CASE{ "EveryoneChangesTheList", L"O:BAD:(A;OICI;FA;;;BA)(A;;WD;;;WD)", folderWritable },
        FOLDER_CASE{ "AUserHasFullControl", L"O:BAD:(A;OICI;FA;;;BA)(A;OICI;GA;;;S-1-5-21-1-2-3-1001)",
                     folderWritable },
        FOLDER_CASE{ "AsWineGivesEveryFolder",
                     L"O:S-1-5-21-0-0-0-1000D:(A;OICI;FA;;;SY)(A;OICI;FA;;;S-1-5-21-0-0-0-1000)(A;OICI;0x1200a9;;;WD)",
                     folderWritable },
        FOLDER_CASE{ "Unreadable", nullptr, folderUnknown }),
    [](const ::testing::TestParamInfo<FOLDER_CASE>& info) { return std::string(info.param.pszName); });
#undef TI

struct RELATIVE_CASE
{
    const wchar_t* pszPath;
    bool bRelative;
};

TEST(FolderTrust, RelativeMeansResolvedAgainstTheCurrentFolder)
{
    const RELATIVE_CASE cases[] = {
        { L"inflist.txt", true },     { L"sub\\a.inf", true },        { L".\\a.inf", true },
        { L"..\\a.inf", true },       { L"C:a.inf", true },           { L"C:\\a.inf", false },
        { L"c:/a.inf", false },       { L"\\a.inf", false },          { L"\\\\server\\share\\a.inf", false },
        { L"\\\\?\\C:\\a.inf", false }, { L"/a.inf", false },         { L"", false },
    };
    for (const RELATIVE_CASE& c : cases)
        EXPECT_EQ(IsRelativeToCurrentFolder(c.pszPath), c.bRelative) << Narrow(c.pszPath);
    EXPECT_FALSE(IsRelativeToCurrentFolder(nullptr));
}

} // namespace
