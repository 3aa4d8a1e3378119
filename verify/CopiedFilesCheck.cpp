#include "verify/CopiedFilesCheck.h"

#include "inf/MachineArchitecture.h"
#include "inf/PackageCopiedFiles.h"

namespace {

// An install on a device of this model fails: none of its files are known.
DWORD ReportMissingSection(LPCWSTR pszSection, LPCWSTR pszModel, LPCWSTR pszHardwareId, PVOID pvReport)
{
    static_cast<CVerifyReport*>(pvReport)->Problem(
        ERROR_SECTION_NOT_FOUND, L"the install section [%ls] of the model \"%ls\" (%ls) is missing for %ls",
        pszSection, pszModel, pszHardwareId, ArchitectureName(MachineArchitecture()));
    return ERROR_SUCCESS;
}

} // namespace

void CheckCopiedFiles(HINF hInf, const CPackageFolder& folder, CPathList* pPresent, CVerifyReport* pReport)
{
    CPathList files;
    const DWORD dwError = ReadPackageCopiedFiles(hInf, folder.Path(), &files, ReportMissingSection, pReport);
    if (dwError != ERROR_SUCCESS) {
        pReport->Problem(dwError, L"the files that the install sections copy cannot be listed");
        return;
    }
    for (LPCWSTR pszFile = files.First(); pszFile; pszFile = files.Next(pszFile)) {
        if (!PackageFileExists(pszFile))
            pReport->Problem(ERROR_FILE_NOT_FOUND, L"the copied file \"%ls\" is missing from the package", pszFile);
        else if (!pPresent->Add(pszFile))
            pReport->Problem(ERROR_NOT_ENOUGH_MEMORY, L"out of memory while listing \"%ls\"", pszFile);
    }
}
