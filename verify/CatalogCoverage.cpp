#include "verify/CatalogCoverage.h"

#include <cstdlib>

#include "platform/LastError.h"
#include "platform/UniqueHandle.h"
#include "verify/CatalogFile.h"
#include "verify/CatalogHash.h"
#include "verify/CryptoApi.h"

namespace {

struct FILE_FINDING
{
    DWORD dwError;
    bool bListed;
};

struct HASH_KIND
{
    CATALOG_HASH eHash;
    size_t cchTag;
};

const HASH_KIND g_rgHashKinds[] = {
    {catalogHashSha256, c_cchSha256Tag},
    {catalogHashSha1, c_cchSha1Tag},
};

// Whether the catalog lists the file by one of its hashes. Only the hashes
// the catalog's tags call for are worth a look; the others are made only to
// tell a file that cannot be hashed at all from one that is not listed.
DWORD FindInCatalog(const CCatalogHasher& hasher, const CCatalogMembers& members, LPCWSTR pszFile, bool* pbListed)
{
    *pbListed = false;
    const CFileHandle file(CreateFileW(pszFile, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
        return LastErrorOrFailure();
    DWORD rgdwErrors[ARRAYSIZE(g_rgHashKinds)] = {};
    bool bHashed = false;
    WCHAR szTag[c_cchSha256Tag + 1];
    for (int nPass = 0; nPass < 2 && !bHashed; ++nPass) {
        for (size_t i = 0; i < ARRAYSIZE(g_rgHashKinds); ++i) {
            const bool bCalledFor = members.HasTagsOfLength(g_rgHashKinds[i].cchTag);
            if (bCalledFor != (nPass == 0))
                continue;
            rgdwErrors[i] = hasher.Hash(file.Get(), g_rgHashKinds[i].eHash, szTag, ARRAYSIZE(szTag));
            if (rgdwErrors[i] != ERROR_SUCCESS)
                continue;
            bHashed = true;
            if (bCalledFor && members.Lists(szTag)) {
                *pbListed = true;
                return ERROR_SUCCESS;
            }
        }
    }
    if (bHashed)
        return ERROR_SUCCESS;
    // SHA-1's failure tells more: it is the hash every system has.
    return rgdwErrors[1] != ERROR_SUCCESS ? rgdwErrors[1] : rgdwErrors[0];
}

void ReportNotCatalog(LPCWSTR pszCatalog, CVerifyReport* pReport)
{
    pReport->Problem(static_cast<DWORD>(TRUST_E_NOSIGNATURE),
                     L"\"%ls\" is not a catalog: it is no signed list of file hashes", pszCatalog);
}

} // namespace

bool CheckCatalogCoverage(LPCWSTR pszCatalog, const LPCWSTR* ppszFiles, size_t cFiles, CVerifyReport* pReport)
{
    if (!CryptoApiComplete(VerifyCryptoApi())) {
        pReport->Problem(ERROR_PROC_NOT_FOUND, L"Cannot read the catalog \"%ls\": the system lacks the catalog functions",
                         pszCatalog);
        return false;
    }
    CCatalogMembers members;
    if (!members.Read(pszCatalog)) {
        ReportNotCatalog(pszCatalog, pReport);
        return false;
    }
    const CHeapBlock findings(calloc(cFiles ? cFiles : 1, sizeof(FILE_FINDING)));
    if (!findings.IsValid()) {
        pReport->Problem(ERROR_OUTOFMEMORY, L"Cannot check the catalog \"%ls\"", pszCatalog);
        return true;
    }
    FILE_FINDING* pFindings = static_cast<FILE_FINDING*>(findings.Get());
    const CCatalogHasher hasher;
    for (size_t i = 0; i < cFiles; ++i) {
        pFindings[i].dwError = FindInCatalog(hasher, members, ppszFiles[i], &pFindings[i].bListed);
        // A missing file is the copied-files check's problem, reported there.
        const DWORD dwError = pFindings[i].dwError;
        if (dwError != ERROR_SUCCESS && dwError != ERROR_FILE_NOT_FOUND && dwError != ERROR_PATH_NOT_FOUND)
            pReport->Problem(dwError, L"Cannot hash \"%ls\" to look it up in the catalog", ppszFiles[i]);
    }
    for (size_t i = 0; i < cFiles; ++i) {
        if (pFindings[i].dwError == ERROR_SUCCESS && !pFindings[i].bListed)
            pReport->Problem(static_cast<DWORD>(TRUST_E_NOSIGNATURE),
                             L"The catalog \"%ls\" does not list \"%ls\": the file was changed after signing, or never signed",
                             pszCatalog, ppszFiles[i]);
    }
    return true;
}
