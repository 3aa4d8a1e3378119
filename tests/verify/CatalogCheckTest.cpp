// The catalog checks against Wine's real crypto, on the signed packages the
// build writes: one table of packages, each with what the checks must find.
#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <vector>

#include "CatalogEvents.h"
#include "support/TestTrust.h"
#include "verify/CatalogCoverage.h"
#include "verify/CatalogTrust.h"

#include <softpub.h>
#include <wintrust.h>

namespace {

struct CATALOG_CASE
{
    const char* pszName;
    LPCWSTR pszPackage;
    // Spoils the scratch copy; null leaves it as signed.
    void (*pfnSpoil)(const CScratchDir& folder, unsigned nSeed);
    bool bIsCatalog;
    DWORD dwCoverageProblem; // 0: none
    unsigned cProblems;      // how often it is reported
    LPCWSTR pszNamed;        // the file the first one names
    DWORD dwTrustProblem;    // 0: none
    const char* pszSigner;
    // Where Wine's signature check lets through what Windows' reports: the
    // code Windows gives; under Wine the test checks the chain status that
    // Wine gives instead.
    DWORD dwTrustOnWindows;
};

void ChangeDriverFile(const CScratchDir& folder, unsigned)
{
    WriteFileBytes(folder.File(L"pkg.sys"), ReadFileBytes(folder.File(L"pkg.sys")) + "patched");
}

void EmptyCatalog(const CScratchDir& folder, unsigned)
{
    WriteFileBytes(folder.File(L"pkg.cat"), "");
}

// Random bytes, and the real catalog cut short at a random length.
void GarbleCatalog(const CScratchDir& folder, unsigned nSeed)
{
    std::mt19937 random(nSeed);
    std::string strBytes = ReadFileBytes(folder.File(L"pkg.cat"));
    strBytes.resize(random() % strBytes.size());
    if (nSeed % 2)
        for (char& ch : strBytes)
            ch = static_cast<char>(random());
    WriteFileBytes(folder.File(L"pkg.cat"), strBytes);
}

// One character of a SHA-1 member tag (40 UTF-16 hex digits and a
// terminator) replaced by one that no hash has: the decoder meets odd
// identifiers, and that member no longer lists its file (Wine hashes by
// SHA-1 alone, so its SHA-256 member does not stand in).
void ChangeMemberTag(const CScratchDir& folder, unsigned nSeed)
{
    static const char16_t c_rgchOdd[] = {u'\0', u'G', u'z', u' ', u'\xFFFF', u'\xD800', u'\x00C9'};
    std::mt19937 random(nSeed);
    std::string strBytes = ReadFileBytes(folder.File(L"pkg.cat"));
    std::vector<size_t> tags;
    for (size_t ib = 0; ib + 82 <= strBytes.size(); ++ib) {
        size_t cch = 0;
        while (cch < 41 && isxdigit(static_cast<unsigned char>(strBytes[ib + cch * 2])) && !strBytes[ib + cch * 2 + 1])
            ++cch;
        const bool bInsideLonger = ib >= 2 && isxdigit(static_cast<unsigned char>(strBytes[ib - 2])) && !strBytes[ib - 1];
        if (cch == 40 && !strBytes[ib + 80] && !strBytes[ib + 81] && !bInsideLonger)
            tags.push_back(ib);
    }
    ASSERT_FALSE(tags.empty());
    const size_t ibChar = tags[random() % tags.size()] + (random() % 40) * 2;
    const char16_t ch = c_rgchOdd[random() % ARRAYSIZE(c_rgchOdd)];
    strBytes[ibChar] = static_cast<char>(ch & 0xFF);
    strBytes[ibChar + 1] = static_cast<char>(ch >> 8);
    WriteFileBytes(folder.File(L"pkg.cat"), strBytes);
}

const DWORD c_dwNoSignature = static_cast<DWORD>(TRUST_E_NOSIGNATURE);
const CATALOG_CASE g_rgCases[] = {
    {"good", L"good", nullptr, true, 0, 0, nullptr, 0, nullptr, 0},
    {"file changed after signing", L"good", ChangeDriverFile, true, c_dwNoSignature, 1, L"pkg.sys", 0, nullptr, 0},
    {"empty catalog", L"good", EmptyCatalog, false, c_dwNoSignature, 1, L"pkg.cat", 0, nullptr, 0},
    {"garbled catalog", L"good", GarbleCatalog, false, c_dwNoSignature, 1, L"pkg.cat", 0, nullptr, 0},
    // The signed content changed: Windows reports the broken signature as
    // well; Wine never compares the signed digest with the content.
    {"member tag changed", L"good", ChangeMemberTag, true, c_dwNoSignature, 1, nullptr, 0, nullptr,
     static_cast<DWORD>(TRUST_E_BAD_DIGEST)},
    // Wine has no SHA-256 hashing: neither file is listed, and neither is a
    // file that cannot be hashed.
    {"SHA-256 members only", L"sha256only", nullptr, true, c_dwNoSignature, 2, L"pkg.inf", 0, nullptr, 0},
    {"untrusted signer", L"untrusted", nullptr, true, 0, 1, nullptr, static_cast<DWORD>(CERT_E_UNTRUSTEDROOT),
     "Tavelin Other Publisher", 0},
};

bool RunsUnderWine()
{
    const HMODULE hNtdll = GetModuleHandleW(L"ntdll.dll");
    return hNtdll && GetProcAddress(hNtdll, "wine_get_version") != nullptr;
}

// What Wine's own signature check says of the catalog: its answer, and the
// error status of the chain it built for the signer.
void WineVerdict(const std::wstring& strCatalog, LONG* plResult, DWORD* pdwChainStatus)
{
    WINTRUST_FILE_INFO file = {};
    file.cbStruct = sizeof(file);
    file.pcwszFilePath = strCatalog.c_str();
    WINTRUST_DATA data = {};
    data.cbStruct = sizeof(data);
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    GUID action = DRIVER_ACTION_VERIFY;
    *plResult = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    *pdwChainStatus = 0xFFFFFFFF;
    CRYPT_PROVIDER_DATA* pData = WTHelperProvDataFromStateData(data.hWVTStateData);
    CRYPT_PROVIDER_SGNR* pSigner = pData ? WTHelperGetProvSignerFromChain(pData, 0, FALSE, 0) : nullptr;
    if (pSigner && pSigner->pChainContext)
        *pdwChainStatus = pSigner->pChainContext->TrustStatus.dwErrorStatus;
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
}

TEST(CatalogChecks, EachPackageShowsExactlyItsOwnProblem)
{
    ASSERT_TRUE(TrustTestRoot(VerifyPackages() + L"\\test-root.cer"));
    ASSERT_TRUE(TrustPublisher(VerifyPackages() + L"\\test-root-signer.cer"));
    ASSERT_TRUE(UntrustCertificate(VerifyPackages() + L"\\other-root.cer"));
    for (const CATALOG_CASE& c : g_rgCases) {
        const bool bSeeded = c.pfnSpoil == GarbleCatalog || c.pfnSpoil == ChangeMemberTag;
        for (unsigned nSeed = 1; nSeed <= (bSeeded ? 24u : 1u); ++nSeed) {
            SCOPED_TRACE(std::string(c.pszName) + " seed " + std::to_string(nSeed));
            const CScratchDir folder;
            ASSERT_TRUE(CopyPackage(c.pszPackage, folder.Path()));
            if (c.pfnSpoil)
                c.pfnSpoil(folder, nSeed);
            const std::wstring strCatalog = folder.File(L"pkg.cat");
            const std::wstring strInf = folder.File(L"pkg.inf");
            const std::wstring strSys = folder.File(L"pkg.sys");
            const LPCWSTR rgpszFiles[] = {strInf.c_str(), strSys.c_str()};

            std::vector<CHECK_PROBLEM> problems;
            CVerifyReport report(RecordProblem, &problems);
            EXPECT_EQ(c.bIsCatalog, CheckCatalogCoverage(strCatalog.c_str(), rgpszFiles, 2, &report));
            if (c.bIsCatalog)
                CheckCatalogTrust(strCatalog.c_str(), &report);

            unsigned cProblems = c.cProblems;
            if (c.dwTrustOnWindows && RunsUnderWine()) {
                // Wine passes the catalog and its chain: nothing more to report.
                LONG lResult = -1;
                DWORD dwChainStatus = 0;
                WineVerdict(strCatalog, &lResult, &dwChainStatus);
                EXPECT_EQ(lResult, 0) << "Wine now checks the signed content: expect the code Windows gives";
                EXPECT_EQ(dwChainStatus & ~static_cast<DWORD>(CERT_TRUST_REVOCATION_STATUS_UNKNOWN |
                                                             CERT_TRUST_IS_OFFLINE_REVOCATION),
                          static_cast<DWORD>(CERT_TRUST_NO_ERROR));
            } else if (c.dwTrustOnWindows) {
                ++cProblems;
            }
            const DWORD dwExpected = c.dwCoverageProblem ? c.dwCoverageProblem : c.dwTrustProblem;
            ASSERT_EQ(dwExpected ? cProblems : 0u, problems.size());
            if (c.dwTrustOnWindows && !RunsUnderWine()) {
                EXPECT_EQ(c.dwTrustOnWindows, problems.back().dwCode);
            }
            if (!dwExpected)
                continue;
            EXPECT_EQ(dwExpected, problems[0].dwCode);
            EXPECT_EQ(dwExpected, report.Result());
            if (c.pszNamed) {
                EXPECT_NE(std::string::npos, problems[0].strText.find(Narrow(folder.File(c.pszNamed))));
            }
            if (c.pszSigner) {
                EXPECT_NE(std::string::npos, problems[0].strText.find(c.pszSigner));
                EXPECT_NE(std::string::npos,
                          problems[0].strText.find("but that signature is not trusted on this machine"));
            }
        }
    }
}

} // namespace
