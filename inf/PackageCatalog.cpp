#include "inf/PackageCatalog.h"

bool PackageCatalogName(HINF hInf, LPWSTR pszName, DWORD cchName)
{
    const LPCWSTR apszKeys[] = { L"CatalogFile.NTamd64", L"CatalogFile.NT", L"CatalogFile" };
    for (LPCWSTR pszKey : apszKeys) {
        INFCONTEXT line;
        if (SetupFindFirstLineW(hInf, L"Version", pszKey, &line) &&
            SetupGetStringFieldW(&line, 1, pszName, cchName, nullptr) && pszName[0])
            return true;
    }
    return false;
}
