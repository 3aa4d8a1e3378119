#include "inf/InstallSections.h"

#include <cwchar>

#include "inf/DeviceIdList.h"
#include "inf/InstallSection.h"
#include "inf/ModelsSection.h"
#include "platform/BoundedFormat.h"

namespace {

struct WALK_STATE
{
    HINF hInf;
    const INSTALL_SECTION_WALK* pWalk;
    // The DDInstall sections walked so far: model lines that share one
    // install the same sections.
    CDeviceIdList walked;
};

bool HasSection(HINF hInf, LPCWSTR pszSection)
{
    return SetupGetLineCountW(hInf, pszSection) >= 0;
}

// pszBase + pszSuffix into pszSection (c_cchInfSection units); false when it
// does not fit.
bool JoinSection(LPCWSTR pszBase, LPCWSTR pszSuffix, LPWSTR pszSection)
{
    return JoinBounded(pszBase, pszSuffix, pszSection, c_cchInfSection);
}

// The install sections of DDInstall.Interfaces: the third field of each
// AddInterface line, where one is given.
DWORD WalkInterfaces(const WALK_STATE& state, LPCWSTR pszInterfaces)
{
    INFCONTEXT line;
    for (BOOL bLine = SetupFindFirstLineW(state.hInf, pszInterfaces, L"AddInterface", &line); bLine;
         bLine = SetupFindNextMatchLineW(&line, L"AddInterface", &line)) {
        WCHAR szSection[c_cchInfSection];
        if (!SetupGetStringFieldW(&line, 3, szSection, c_cchInfSection, nullptr) || szSection[0] == L'\0')
            continue;
        const DWORD dwResult = state.pWalk->pfnSection(state.hInf, szSection, sectionAddInterface,
                                                       state.pWalk->pvContext);
        if (dwResult != ERROR_SUCCESS)
            return dwResult;
    }
    return ERROR_SUCCESS;
}

DWORD WalkDDInstall(const WALK_STATE& state, LPCWSTR pszActual)
{
    const INSTALL_SECTION_WALK& walk = *state.pWalk;
    DWORD dwResult = walk.pfnSection(state.hInf, pszActual, sectionDDInstall, walk.pvContext);
    WCHAR szSection[c_cchInfSection];
    if (dwResult == ERROR_SUCCESS && JoinSection(pszActual, L".CoInstallers", szSection) &&
        HasSection(state.hInf, szSection))
        dwResult = walk.pfnSection(state.hInf, szSection, sectionCoInstallers, walk.pvContext);
    if (dwResult == ERROR_SUCCESS && JoinSection(pszActual, L".Interfaces", szSection) &&
        HasSection(state.hInf, szSection))
        dwResult = WalkInterfaces(state, szSection);
    return dwResult;
}

DWORD WalkModelLine(INFCONTEXT* pModel, PVOID pvContext)
{
    WALK_STATE* pState = static_cast<WALK_STATE*>(pvContext);
    WCHAR szSection[c_cchInfSection];
    WCHAR szActual[c_cchInfSection];
    if (!SetupGetStringFieldW(pModel, 1, szSection, c_cchInfSection, nullptr))
        return ERROR_SUCCESS;
    if (!ActualInstallSection(pState->hInf, szSection, szActual, c_cchInfSection)) {
        if (!pState->pWalk->pfnMissing)
            return ERROR_SUCCESS;
        // Descriptions and IDs are short; longer ones are named as far as
        // they fit.
        WCHAR szModel[256] = L"";
        WCHAR szHardwareId[256] = L"";
        if (!SetupGetStringFieldW(pModel, 0, szModel, ARRAYSIZE(szModel), nullptr))
            szModel[0] = L'\0';
        if (!SetupGetStringFieldW(pModel, 2, szHardwareId, ARRAYSIZE(szHardwareId), nullptr))
            szHardwareId[0] = L'\0';
        return pState->pWalk->pfnMissing(szSection, szModel, szHardwareId, pState->pWalk->pvContext);
    }
    if (pState->walked.Contains(szActual))
        return ERROR_SUCCESS;
    if (!pState->walked.Add(szActual))
        return ERROR_NOT_ENOUGH_MEMORY;
    return WalkDDInstall(*pState, szActual);
}

} // namespace

DWORD ForEachInstallSection(HINF hInf, const INSTALL_SECTION_WALK& walk)
{
    WALK_STATE state = { hInf, &walk, {} };
    DWORD dwResult = ForEachModelLine(hInf, WalkModelLine, &state);
    if (dwResult != ERROR_SUCCESS)
        return dwResult;
    // The class installer comes with the first device of its class, in the
    // decoration that an install section would take.
    WCHAR szActual[c_cchInfSection];
    if (ActualInstallSection(hInf, L"ClassInstall32", szActual, c_cchInfSection))
        dwResult = walk.pfnSection(hInf, szActual, sectionClassInstall, walk.pvContext);
    return dwResult;
}
