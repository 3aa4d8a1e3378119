#include "verify/CatalogPresence.h"

#include "inf/PackageCatalog.h"

bool CheckCatalogPresent(HINF hInf, const CPackageFolder& folder, CWideString* pstrCatalog, CVerifyReport* pReport)
{
    WCHAR szName[MAX_PATH];
    if (!PackageCatalogName(hInf, szName, ARRAYSIZE(szName))) {
        pReport->Problem(ERROR_NO_CATALOG_FOR_OEM_INF, L"[Version] names no catalog (%ls, CatalogFile.NT or CatalogFile)",
                         ArchitectureCatalogKey(MachineArchitecture()));
        return false;
    }
    if (!folder.Join(szName, pstrCatalog)) {
        pReport->Problem(ERROR_NOT_ENOUGH_MEMORY, L"out of memory while looking for the catalog \"%ls\"", szName);
        return false;
    }
    if (!PackageFileExists(pstrCatalog->c_str())) {
        pReport->Problem(ERROR_FILE_NOT_FOUND, L"the catalog \"%ls\" is missing from the package",
                         pstrCatalog->c_str());
        return false;
    }
    return true;
}
