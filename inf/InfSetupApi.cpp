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
        g_infSetupApi.pfnSetupDiGetActualModelsSectionW =
            ResolveProc<decltype(g_infSetupApi.pfnSetupDiGetActualModelsSectionW)>(
                GetModuleHandleW(L"setupapi.dll"), "SetupDiGetActualModelsSectionW");
        g_bInfSetupApiFilled = true;
    }
    return g_infSetupApi;
}
