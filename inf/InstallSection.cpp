#include "inf/InstallSection.h"

#include <cwchar>

#include "inf/InfSetupApi.h"

namespace {

bool HasSection(HINF hInf, LPCWSTR pszSection)
{
    return SetupGetLineCountW(hInf, pszSection) >= 0;
}

} // namespace

bool ActualInstallSection(HINF hInf, LPCWSTR pszSection, LPWSTR pszActual, DWORD cchActual,
                          EMachineArchitecture architecture)
{
    // SetupAPI answers for the architecture of the calling process: an
    // emulated build takes the documented rule for the machine instead.
    if (InfSetupApi().pfnSetupDiGetActualSectionToInstallW && architecture == BuildArchitecture()) {
        // It names the undecorated section even when the INF lacks it.
        return InfSetupApi().pfnSetupDiGetActualSectionToInstallW(hInf, pszSection, pszActual, cchActual, nullptr,
                                                                      nullptr) &&
               HasSection(hInf, pszActual);
    }
    WCHAR szMachine[16];
    const LPCWSTR pszMachine = ArchitectureDecoration(architecture);
    // ".NT", the architecture and its terminator.
    if (wcslen(pszMachine) + 4 > ARRAYSIZE(szMachine))
        return false;
    wmemcpy(szMachine, L".NT", 3);
    wmemcpy(szMachine + 3, pszMachine, wcslen(pszMachine) + 1);
    const LPCWSTR apszDecorations[] = { szMachine, L".NT", L"" };
    const size_t cchSection = wcslen(pszSection);
    for (LPCWSTR pszDecoration : apszDecorations) {
        const size_t cchDecoration = wcslen(pszDecoration);
        if (cchSection + cchDecoration >= cchActual)
            return false;
        wmemcpy(pszActual, pszSection, cchSection);
        wmemcpy(pszActual + cchSection, pszDecoration, cchDecoration + 1);
        if (HasSection(hInf, pszActual))
            return true;
    }
    return false;
}
