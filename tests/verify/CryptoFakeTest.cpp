// The branches of the catalog checks that Wine 8 lacks, through the injected
// crypto table: SHA-256 member lookup (Wine has no working
// CryptCATAdminAcquireContext2), a catalog signed by Windows (none can be
// made here), and the policies' failures (Wine's pass every catalog).
#include <gtest/gtest.h>

#include <windows.h>
#include <wincrypt.h>
#include <softpub.h>

#include <cstring>
#include <string>
#include <vector>

#include "CatalogEvents.h"
#include "support/TestTrust.h"
#include "verify/CatalogCoverage.h"
#include "verify/CatalogTrust.h"
#include "verify/CryptoApi.h"

namespace {

HCATADMIN const g_hSha256Admin = reinterpret_cast<HCATADMIN>(static_cast<ULONG_PTR>(0x5A256));
VERIFY_CRYPTO_API g_real;
std::wstring g_strHashAlgorithm;
int g_nSha256Releases;
int g_nSha1Hashes;

BOOL WINAPI FakeAcquire2(HCATADMIN* phCatAdmin, const GUID*, PCWSTR pszAlgorithm, PCCERT_STRONG_SIGN_PARA, DWORD)
{
    g_strHashAlgorithm = pszAlgorithm ? pszAlgorithm : L"";
    *phCatAdmin = g_hSha256Admin;
    return TRUE;
}

// A flat file's SHA-256, as Windows' catalog functions hash a non-image file.
BOOL WINAPI FakeHash2(HCATADMIN hCatAdmin, HANDLE hFile, DWORD* pcbHash, BYTE* pbHash, DWORD)
{
    std::string strBytes(GetFileSize(hFile, nullptr), '\0');
    DWORD cbRead = 0;
    HCRYPTPROV hProv = 0;
    HCRYPTHASH hHash = 0;
    const BOOL bOk = hCatAdmin == g_hSha256Admin && *pcbHash >= 32 &&
                     ReadFile(hFile, &strBytes[0], static_cast<DWORD>(strBytes.size()), &cbRead, nullptr) &&
                     CryptAcquireContextW(&hProv, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT) &&
                     CryptCreateHash(hProv, CALG_SHA_256, 0, 0, &hHash) &&
                     CryptHashData(hHash, reinterpret_cast<const BYTE*>(strBytes.data()), cbRead, 0) &&
                     CryptGetHashParam(hHash, HP_HASHVAL, pbHash, pcbHash, 0);
    if (hHash)
        CryptDestroyHash(hHash);
    if (hProv)
        CryptReleaseContext(hProv, 0);
    return bOk;
}

BOOL WINAPI NoSha1(HANDLE, DWORD*, BYTE*, DWORD)
{
    ++g_nSha1Hashes;
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}

BOOL WINAPI Release(HCATADMIN hCatAdmin, DWORD dwFlags)
{
    if (hCatAdmin != g_hSha256Admin)
        return g_real.pfnCryptCATAdminReleaseContext(hCatAdmin, dwFlags);
    ++g_nSha256Releases;
    return TRUE;
}

// The verifications WinVerifyTrust ran, in order, each answered for real
// unless the case overrules its action's verdict.
std::vector<std::string> g_actions;
LONG g_lDriverVerdict;
LONG g_lGenericVerdict;
bool g_bWindowsUsage;

LONG WINAPI RecordingTrust(HWND hwnd, GUID* pAction, LPVOID pvData)
{
    const GUID driverAction = DRIVER_ACTION_VERIFY;
    const bool bDriver = IsEqualGUID(*pAction, driverAction) != FALSE;
    const LONG lReal = g_real.pfnWinVerifyTrust(hwnd, pAction, pvData);
    if (static_cast<WINTRUST_DATA*>(pvData)->dwStateAction != WTD_STATEACTION_VERIFY)
        return lReal;
    g_actions.push_back(bDriver ? "driver policy" : "Authenticode");
    const LONG lVerdict = bDriver ? g_lDriverVerdict : g_lGenericVerdict;
    return lVerdict ? lVerdict : lReal;
}

// No catalog signed by Windows can be made here: its signer's WHQL usage is
// what this stand-in reports.
BOOL WINAPI WindowsUsage(PCCERT_CONTEXT pCert, DWORD dwFlags, PCERT_ENHKEY_USAGE pUsage, DWORD* pcbUsage)
{
    if (!g_bWindowsUsage)
        return g_real.pfnCertGetEnhancedKeyUsage(pCert, dwFlags, pUsage, pcbUsage);
    static const char c_szWhql[] = "1.3.6.1.4.1.311.10.3.5";
    const DWORD cbNeeded = sizeof(CERT_ENHKEY_USAGE) + sizeof(LPSTR) + sizeof(c_szWhql);
    if (pUsage && *pcbUsage < cbNeeded) {
        SetLastError(ERROR_MORE_DATA);
        return FALSE;
    }
    *pcbUsage = cbNeeded;
    if (!pUsage)
        return TRUE;
    LPSTR* ppszUsages = reinterpret_cast<LPSTR*>(pUsage + 1);
    char* pszUsage = reinterpret_cast<char*>(ppszUsages + 1);
    memcpy(pszUsage, c_szWhql, sizeof(c_szWhql));
    ppszUsages[0] = pszUsage;
    pUsage->cUsageIdentifier = 1;
    pUsage->rgpszUsageIdentifier = ppszUsages;
    return TRUE;
}

struct TRUST_EVENT
{
    DIFXAPI_LOG type;
    DWORD dwCode;
    std::string strText;
};

void __cdecl RecordEvent(DIFXAPI_LOG type, DWORD dwCode, PCWSTR pszText, PVOID pvContext)
{
    static_cast<std::vector<TRUST_EVENT>*>(pvContext)->push_back({type, dwCode, Narrow(pszText)});
}

class CryptoFake : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(TrustTestRoot(VerifyPackages() + L"\\test-root.cer"));
        ASSERT_TRUE(TrustPublisher(VerifyPackages() + L"\\test-root-signer.cer"));
        ASSERT_TRUE(UntrustCertificate(VerifyPackages() + L"\\other-root.cer"));
        g_real = VerifyCryptoApi();
        g_strHashAlgorithm.clear();
        g_nSha256Releases = 0;
        g_nSha1Hashes = 0;
    }
    void TearDown() override { VerifyCryptoApi() = g_real; }

    std::vector<CHECK_PROBLEM> m_problems;
    CVerifyReport m_report{RecordProblem, &m_problems};
};

TEST_F(CryptoFake, Sha256MembersAloneCoverThePackage)
{
    VerifyCryptoApi().pfnCryptCATAdminAcquireContext2 = FakeAcquire2;
    VerifyCryptoApi().pfnCryptCATAdminCalcHashFromFileHandle2 = FakeHash2;
    VerifyCryptoApi().pfnCryptCATAdminCalcHashFromFileHandle = NoSha1;
    VerifyCryptoApi().pfnCryptCATAdminReleaseContext = Release;
    const CScratchDir folder;
    ASSERT_TRUE(CopyPackage(L"good", folder.Path()));
    const std::wstring strInf = folder.File(L"pkg.inf");
    const std::wstring strSys = folder.File(L"pkg.sys");
    const LPCWSTR rgpszFiles[] = {strInf.c_str(), strSys.c_str()};
    const std::wstring strCatalog = folder.File(L"pkg.cat");

    EXPECT_TRUE(CheckCatalogCoverage(strCatalog.c_str(), rgpszFiles, 2, &m_report));
    EXPECT_TRUE(m_problems.empty());
    // Listed by SHA-256, a file is hashed once.
    EXPECT_EQ(0, g_nSha1Hashes);
    ASSERT_TRUE(WriteFileBytes(strSys, "changed after signing"));
    EXPECT_TRUE(CheckCatalogCoverage(strCatalog.c_str(), rgpszFiles, 2, &m_report));
    ASSERT_EQ(1u, m_problems.size());
    EXPECT_NE(std::string::npos, m_problems[0].strText.find(Narrow(strSys)));
    // Not listed by SHA-256, it is looked up by SHA-1 too: the catalog has
    // tags of both.
    EXPECT_EQ(1, g_nSha1Hashes);
    EXPECT_EQ(L"SHA256", g_strHashAlgorithm);
    EXPECT_EQ(2, g_nSha256Releases);
}

// Windows' order: the driver-signing policy, which passes what Windows
// signed, then Authenticode and TrustedPublisher.
TEST_F(CryptoFake, TheSignatureVerdictIsWindowsInWindowsOrder)
{
    const std::vector<std::string> policyOnly = {"driver policy"};
    const std::vector<std::string> both = {"driver policy", "Authenticode"};
    // A signer without a Windows usage cannot be signed by Windows: the
    // policy's verdict would not count.
    const std::vector<std::string> authenticodeOnly = {"Authenticode"};
    const struct
    {
        const char* pszName;
        LPCWSTR pszPackage;
        bool bWindowsUsage;
        LONG lDriverVerdict; // 0: the real one
        LONG lGenericVerdict;
        bool bSignedByWindows;
        DWORD dwProblem; // 0: an information line
        const std::vector<std::string>* pActions;
        const char* pszText;
    } cases[] = {
        {"signed by Windows", L"good", true, 0, 0, true, 0, &policyOnly,
         "is signed by Windows (Tavelin Test Publisher): the driver-signing policy passes it"},
        {"a Windows usage that the policy fails is judged as Authenticode", L"good", true,
         TRUST_E_SUBJECT_NOT_TRUSTED, 0, false, 0, &both, "a publisher trusted on this machine"},
        {"an untrusted root is never signed by Windows", L"untrusted", true, 0, 0, false,
         static_cast<DWORD>(CERT_E_UNTRUSTEDROOT), &both, "Tavelin Other Publisher, but that signature is not"},
        {"Authenticode's failure gives its code", L"good", false, 0, TRUST_E_EXPLICIT_DISTRUST, false,
         static_cast<DWORD>(TRUST_E_EXPLICIT_DISTRUST), &authenticodeOnly, "Tavelin Test Publisher"},
    };
    VerifyCryptoApi().pfnWinVerifyTrust = RecordingTrust;
    VerifyCryptoApi().pfnCertGetEnhancedKeyUsage = WindowsUsage;
    for (const auto& c : cases) {
        g_actions.clear();
        g_bWindowsUsage = c.bWindowsUsage;
        g_lDriverVerdict = c.lDriverVerdict;
        g_lGenericVerdict = c.lGenericVerdict;
        std::vector<TRUST_EVENT> events;
        CVerifyReport report(RecordEvent, &events);
        EXPECT_EQ(CheckCatalogTrust((VerifyPackages() + L"\\" + c.pszPackage + L"\\pkg.cat").c_str(), &report),
                  c.bSignedByWindows)
            << c.pszName;
        EXPECT_EQ(g_actions, *c.pActions) << c.pszName;
        ASSERT_EQ(events.size(), 1u) << c.pszName;
        EXPECT_EQ(events[0].type, c.dwProblem ? DIFXAPI_ERROR : DIFXAPI_INFO) << c.pszName;
        EXPECT_EQ(events[0].dwCode, c.dwProblem) << c.pszName;
        EXPECT_EQ(report.Result(), c.dwProblem) << c.pszName;
        EXPECT_NE(events[0].strText.find(c.pszText), std::string::npos) << c.pszName << ": " << events[0].strText;
    }
}

} // namespace
