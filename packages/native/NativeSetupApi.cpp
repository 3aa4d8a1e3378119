#include "packages/native/NativeSetupApi.h"

#include <newdev.h>

#include "platform/DllSearch.h"

namespace {

NATIVE_SETUP_API g_nativeSetupApi = {};
bool g_bNativeSetupApiFilled = false;

} // namespace

NATIVE_SETUP_API& NativeSetupApi()
{
    if (!g_bNativeSetupApiFilled) {
        g_nativeSetupApi.pfnSetupCopyOEMInfW = SetupCopyOEMInfW;
        g_nativeSetupApi.pfnSetupUninstallOEMInfW = SetupUninstallOEMInfW;
        g_nativeSetupApi.pfnUpdateDriverForPlugAndPlayDevicesW = UpdateDriverForPlugAndPlayDevicesW;
        // newdev.dll is an import of this program, so it is loaded already.
        g_nativeSetupApi.pfnDiUninstallDriverW =
            ResolveProc<decltype(g_nativeSetupApi.pfnDiUninstallDriverW)>(GetModuleHandleW(L"newdev.dll"),
                                                                          "DiUninstallDriverW");
        g_bNativeSetupApiFilled = true;
    }
    return g_nativeSetupApi;
}
