// The branches of the catalog checks that Wine 8 lacks, through the injected
// crypto table: SHA-256 member lookup (Wine has no working
// CryptCATAdminAcquireContext2) and a failing WinVerifyTrust (Wine's driver
// policy passes every catalog).
#include <gtest/gtest.h>

#include <windows.h>
#include <wincrypt.h>

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

// The real verification, whose verdict a stricter policy overrules.
LONG WINAPI DistrustingTrust(HWND hwnd, GUID* pAction, LPVOID pvData)
{
    const LONG lReal = g_real.pfnWinVerifyTrust(hwnd, pAction, pvData);
    return static_cast<WINTRUST_DATA*>(pvData)->dwStateAction == WTD_STATEACTION_VERIFY ? TRUST_E_EXPLICIT_DISTRUST
                                                                                       : lReal;
}

class CryptoFake : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(TrustTestRoot(VerifyPackages() + L"\\test-root.cer"));
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

TEST_F(CryptoFake, AFailingVerificationGivesItsCodeAndTheSigner)
{
    VerifyCryptoApi().pfnWinVerifyTrust = DistrustingTrust;
    CheckCatalogTrust((VerifyPackages() + L"\\good\\pkg.cat").c_str(), &m_report);
    ASSERT_EQ(1u, m_problems.size());
    EXPECT_EQ(static_cast<DWORD>(TRUST_E_EXPLICIT_DISTRUST), m_problems[0].dwCode);
    EXPECT_NE(std::string::npos, m_problems[0].strText.find("Tavelin Test Publisher"));
}

} // namespace
