#include "inf/PackageCatalog.h"

LPCWSTR ArchitectureCatalogKey(EMachineArchitecture architecture)
{
    return architecture == machineArm64 ? L"CatalogFile.NTarm64" : L"CatalogFile.NTamd64";
}

bool PackageCatalogName(HINF hInf, LPWSTR pszName, DWORD cchName, EMachineArchitecture architecture)
{
    const LPCWSTR apszKeys[] = { ArchitectureCatalogKey(architecture), L"CatalogFile.NT", L"CatalogFile" };
    for (LPCWSTR pszKey : apszKeys) {
        INFCONTEXT line;
        if (SetupFindFirstLineW(hInf, L"Version", pszKey, &line) &&
            SetupGetStringFieldW(&line, 1, pszName, cchName, nullptr) && pszName[0])
            return true;
    }
    return false;
}
