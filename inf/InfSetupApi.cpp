#include "inf/InfSetupApi.h"

#include "platform/DllSearch.h"

namespace {

INF_SETUP_API g_infSetupApi = {};
bool g_bInfSetupApiFilled = false;

} // namespace

INF_SETUP_API& InfSetupApi()
{
    if (!g_bInfSetupApiFilled) {
        // setupapi.dll is an import of this program, so it is loaded already.
        const HMODULE hSetupApi = GetModuleHandleW(L"setupapi.dll");
        g_infSetupApi.pfnSetupDiGetActualModelsSectionW =
            ResolveProc<decltype(g_infSetupApi.pfnSetupDiGetActualModelsSectionW)>(hSetupApi,
                                                                                   "SetupDiGetActualModelsSectionW");
        g_infSetupApi.pfnSetupDiGetActualSectionToInstallW =
            ResolveProc<decltype(g_infSetupApi.pfnSetupDiGetActualSectionToInstallW)>(
                hSetupApi, "SetupDiGetActualSectionToInstallW");
        g_bInfSetupApiFilled = true;
    }
    return g_infSetupApi;
}
