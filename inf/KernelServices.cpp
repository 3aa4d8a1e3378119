#include "inf/KernelServices.h"

#include <cwchar>

#include "inf/InstallSections.h"
#include "platform/BoundedFormat.h"

namespace {

const DWORD c_cchValue = MAX_PATH;

// The service that one AddService line adds, when it runs in kernel mode.
DWORD AddKernelService(HINF hInf, INFCONTEXT* pAddService, CPathList* pBinaries)
{
    WCHAR szService[c_cchValue];
    WCHAR szInstall[c_cchInfSection];
    INFCONTEXT line;
    INT nType = 0;
    if (!SetupGetStringFieldW(pAddService, 1, szService, c_cchValue, nullptr) ||
        !SetupGetStringFieldW(pAddService, 3, szInstall, c_cchInfSection, nullptr) || szInstall[0] == L'\0' ||
        !SetupFindFirstLineW(hInf, szInstall, L"ServiceType", &line) || !SetupGetIntField(&line, 1, &nType) ||
        (nType != SERVICE_KERNEL_DRIVER && nType != SERVICE_FILE_SYSTEM_DRIVER))
        return ERROR_SUCCESS;
    WCHAR szBinary[c_cchValue];
    if (!SetupFindFirstLineW(hInf, szInstall, L"ServiceBinary", &line) ||
        !SetupGetStringFieldW(&line, 1, szBinary, c_cchValue, nullptr) || szBinary[0] == L'\0')
        FormatBounded(szBinary, c_cchValue, L"%ls", szService);
    return pBinaries->Add(szBinary) ? ERROR_SUCCESS : ERROR_NOT_ENOUGH_MEMORY;
}

DWORD ReadSectionServices(HINF hInf, LPCWSTR pszSection, EInstallSectionRole role, PVOID pvContext)
{
    if (role != sectionDDInstall)
        return ERROR_SUCCESS;
    const size_t cchSection = wcslen(pszSection);
    const WCHAR szSuffix[] = L".Services";
    WCHAR szServices[c_cchInfSection];
    if (cchSection + ARRAYSIZE(szSuffix) > c_cchInfSection)
        return ERROR_SUCCESS;
    wmemcpy(szServices, pszSection, cchSection);
    wmemcpy(szServices + cchSection, szSuffix, ARRAYSIZE(szSuffix));
    INFCONTEXT line;
    for (BOOL bLine = SetupFindFirstLineW(hInf, szServices, L"AddService", &line); bLine;
         bLine = SetupFindNextMatchLineW(&line, L"AddService", &line)) {
        const DWORD dwResult = AddKernelService(hInf, &line, static_cast<CPathList*>(pvContext));
        if (dwResult != ERROR_SUCCESS)
            return dwResult;
    }
    return ERROR_SUCCESS;
}

} // namespace

DWORD ReadPackageKernelServices(HINF hInf, CPathList* pBinaries)
{
    const INSTALL_SECTION_WALK walk = { ReadSectionServices, nullptr, pBinaries };
    return ForEachInstallSection(hInf, walk);
}
