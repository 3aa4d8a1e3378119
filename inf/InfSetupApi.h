#pragma once

#include <windows.h>
#include <setupapi.h>

// The SetupAPI calls of INF reading that differ between Windows versions.
// Filled from the system on first use; a test may replace entries to reach
// branches its platform lacks.
struct INF_SETUP_API
{
    // Null where SetupAPI lacks it (Wine): the models section is then chosen
    // by the documented decoration rules.
    BOOL(WINAPI* pfnSetupDiGetActualModelsSectionW)(PINFCONTEXT pContext, PSP_ALTPLATFORM_INFO pPlatform,
                                                     PWSTR pszSection, DWORD cchSection, PDWORD pcchRequired,
                                                     PVOID pvReserved);
    // Null where SetupAPI lacks it: the install section is then chosen by the
    // documented rule: .NTamd64 or .NTarm64, .NT, undecorated.
    BOOL(WINAPI* pfnSetupDiGetActualSectionToInstallW)(HINF hInf, PCWSTR pszSection, PWSTR pszActual,
                                                        DWORD cchActual, PDWORD pcchRequired, PWSTR* ppszExtension);
};

INF_SETUP_API& InfSetupApi();
