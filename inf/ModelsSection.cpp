#include "inf/ModelsSection.h"

#include <cwchar>

#include "inf/InfSetupApi.h"
#include "inf/ModelsDecoration.h"

namespace {

// Section names are at most 255 characters.
const DWORD c_cchSection = 512;
// Decorations are short; longer ones and more than any real Manufacturer
// line carries are ignored.
const DWORD c_cchDecoration = 64;
const int c_cDecorationsMax = 32;

// The models section that a Manufacturer line names for this machine, the
// way SetupAPI itself chooses it where it can. SetupAPI answers for the
// architecture of the calling process: an emulated build takes the
// documented rules for the machine instead.
bool ModelsSectionFor(INFCONTEXT* pLine, LPWSTR pszSection)
{
    PWSTR pszActual = pszSection;
    const EMachineArchitecture architecture = MachineArchitecture();
    if (InfSetupApi().pfnSetupDiGetActualModelsSectionW && architecture == BuildArchitecture())
        return InfSetupApi().pfnSetupDiGetActualModelsSectionW(pLine, nullptr, pszActual, c_cchSection, nullptr,
                                                                   nullptr) != FALSE;

    WCHAR aszDecorations[c_cDecorationsMax][c_cchDecoration];
    LPCWSTR apszDecorations[c_cDecorationsMax];
    const DWORD cFields = SetupGetFieldCount(pLine);
    int cDecorations = 0;
    for (DWORD iField = 2; iField <= cFields && cDecorations < c_cDecorationsMax; ++iField) {
        if (!SetupGetStringFieldW(pLine, iField, aszDecorations[cDecorations], c_cchDecoration, nullptr))
            continue;
        apszDecorations[cDecorations] = aszDecorations[cDecorations];
        ++cDecorations;
    }
    const int iChosen = ChooseModelsDecoration(apszDecorations, cDecorations, CurrentOsTarget(), architecture);
    if (iChosen < 0)
        return false;
    if (!SetupGetStringFieldW(pLine, 1, pszSection, c_cchSection, nullptr))
        return false;
    const size_t cchBase = wcslen(pszSection);
    const size_t cchDecoration = wcslen(apszDecorations[iChosen]);
    if (cchBase + 1 + cchDecoration >= c_cchSection)
        return false;
    pszSection[cchBase] = L'.';
    wmemcpy(pszSection + cchBase + 1, apszDecorations[iChosen], cchDecoration + 1);
    return true;
}

} // namespace

DWORD ForEachModelLine(HINF hInf, PFN_MODEL_LINE pfnLine, PVOID pvContext)
{
    INFCONTEXT line;
    for (BOOL bLine = SetupFindFirstLineW(hInf, L"Manufacturer", nullptr, &line); bLine;
         bLine = SetupFindNextLine(&line, &line)) {
        WCHAR szSection[c_cchSection];
        if (!ModelsSectionFor(&line, szSection))
            continue;
        INFCONTEXT model;
        for (BOOL bModel = SetupFindFirstLineW(hInf, szSection, nullptr, &model); bModel;
             bModel = SetupFindNextLine(&model, &model)) {
            const DWORD dwError = pfnLine(&model, pvContext);
            if (dwError != ERROR_SUCCESS)
                return dwError;
        }
    }
    return ERROR_SUCCESS;
}
