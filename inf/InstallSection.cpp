#include "inf/InstallSection.h"

#include <cwchar>

#include "inf/InfSetupApi.h"

namespace {

bool HasSection(HINF hInf, LPCWSTR pszSection)
{
    return SetupGetLineCountW(hInf, pszSection) >= 0;
}

} // namespace

bool ActualInstallSection(HINF hInf, LPCWSTR pszSection, LPWSTR pszActual, DWORD cchActual)
{
    if (InfSetupApi().pfnSetupDiGetActualSectionToInstallW) {
        // It names the undecorated section even when the INF lacks it.
        return InfSetupApi().pfnSetupDiGetActualSectionToInstallW(hInf, pszSection, pszActual, cchActual, nullptr,
                                                                      nullptr) &&
               HasSection(hInf, pszActual);
    }
    const LPCWSTR apszDecorations[] = { L".NTamd64", L".NT", L"" };
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
