#include "verify/CatalogCoverage.h"

#include <cstdlib>
#include <cwchar>

#include "platform/UniqueHandle.h"
#include "verify/CatalogFile.h"
#include "verify/CatalogHash.h"
#include "verify/CryptoApi.h"

namespace {

struct COVERED_FILE
{
    CATALOG_FILE_TAGS tags;
    bool bHashed;
    bool bListed;
};

struct COVERAGE
{
    COVERED_FILE* pFiles;
    size_t cFiles;
};

bool SameTag(LPCWSTR pszTag, LPCWSTR pszFileTag)
{
    return pszFileTag[0] && _wcsicmp(pszTag, pszFileTag) == 0;
}

// A file is listed when either of its hashes is a member's tag.
void MarkListed(LPCWSTR pszTag, void* pvContext)
{
    COVERAGE* pCoverage = static_cast<COVERAGE*>(pvContext);
    for (size_t i = 0; i < pCoverage->cFiles; ++i) {
        COVERED_FILE& file = pCoverage->pFiles[i];
        if (SameTag(pszTag, file.tags.szSha256) || SameTag(pszTag, file.tags.szSha1))
            file.bListed = true;
    }
}

void HashFiles(const LPCWSTR* ppszFiles, COVERAGE* pCoverage, CVerifyReport* pReport)
{
    const CCatalogHasher hasher;
    for (size_t i = 0; i < pCoverage->cFiles; ++i) {
        const DWORD dwError = hasher.Hash(ppszFiles[i], &pCoverage->pFiles[i].tags);
        pCoverage->pFiles[i].bHashed = dwError == ERROR_SUCCESS;
        // A missing file is the copied-files check's problem, reported there.
        if (dwError != ERROR_SUCCESS && dwError != ERROR_FILE_NOT_FOUND && dwError != ERROR_PATH_NOT_FOUND)
            pReport->Problem(dwError, L"Cannot hash %ls to look it up in the catalog", ppszFiles[i]);
    }
}

void ReportNotCatalog(LPCWSTR pszCatalog, CVerifyReport* pReport)
{
    pReport->Problem(static_cast<DWORD>(TRUST_E_NOSIGNATURE),
                     L"%ls is not a catalog: it is no signed list of file hashes", pszCatalog);
}

} // namespace

bool CheckCatalogCoverage(LPCWSTR pszCatalog, const LPCWSTR* ppszFiles, size_t cFiles, CVerifyReport* pReport)
{
    if (!CryptoApiComplete(VerifyCryptoApi())) {
        pReport->Problem(ERROR_PROC_NOT_FOUND, L"Cannot read the catalog %ls: the system lacks the catalog functions",
                         pszCatalog);
        return false;
    }
    if (!IsSignedTrustList(pszCatalog)) {
        ReportNotCatalog(pszCatalog, pReport);
        return false;
    }
    const CHeapBlock files(calloc(cFiles ? cFiles : 1, sizeof(COVERED_FILE)));
    if (!files.IsValid()) {
        pReport->Problem(ERROR_OUTOFMEMORY, L"Cannot check the catalog %ls", pszCatalog);
        return true;
    }
    COVERAGE coverage = {static_cast<COVERED_FILE*>(files.Get()), cFiles};
    HashFiles(ppszFiles, &coverage, pReport);
    if (!EnumerateCatalogTags(pszCatalog, MarkListed, &coverage)) {
        ReportNotCatalog(pszCatalog, pReport);
        return false;
    }
    for (size_t i = 0; i < cFiles; ++i) {
        if (coverage.pFiles[i].bHashed && !coverage.pFiles[i].bListed)
            pReport->Problem(static_cast<DWORD>(TRUST_E_NOSIGNATURE),
                             L"The catalog %ls does not list %ls: the file was changed after signing, or never signed",
                             pszCatalog, ppszFiles[i]);
    }
    return true;
}
