#include "packages/native/NativeSetupApi.h"

#include "platform/DllSearch.h"
#include "platform/LastError.h"

namespace {

NATIVE_SETUP_API g_nativeSetupApi = {};
bool g_bNativeSetupApiFilled = false;

template <typename TPfn>
void Resolve(HMODULE hModule, const char* pszName, TPfn* ppfn)
{
    *ppfn = ResolveProc<TPfn>(hModule, pszName);
}

// newdev.dll is no KnownDLL: a load by name would look beside the exe first.
// It stays loaded for the life of the process.
void ResolveNewdev(NATIVE_SETUP_API* pApi)
{
    WCHAR szPath[MAX_PATH * 2];
    if (!BuildDllPath(dllFolderSystem, L"newdev.dll", szPath, ARRAYSIZE(szPath))) {
        pApi->dwNewdevError = ERROR_PATH_NOT_FOUND;
        return;
    }
    const HMODULE hNewdev = LoadLibraryByFullPath(szPath);
    if (!hNewdev) {
        pApi->dwNewdevError = LastErrorOrFailure();
        return;
    }
    Resolve(hNewdev, "UpdateDriverForPlugAndPlayDevicesW", &pApi->pfnUpdateDriverForPlugAndPlayDevicesW);
    Resolve(hNewdev, "DiUninstallDriverW", &pApi->pfnDiUninstallDriverW);
    if (!pApi->pfnUpdateDriverForPlugAndPlayDevicesW)
        pApi->dwNewdevError = ERROR_PROC_NOT_FOUND;
}

} // namespace

NATIVE_SETUP_API& NativeSetupApi()
{
    if (!g_bNativeSetupApiFilled) {
        g_nativeSetupApi.pfnSetupCopyOEMInfW = SetupCopyOEMInfW;
        g_nativeSetupApi.pfnSetupUninstallOEMInfW = SetupUninstallOEMInfW;
        g_nativeSetupApi.pfnSetupDiCallClassInstaller = SetupDiCallClassInstaller;
        ResolveNewdev(&g_nativeSetupApi);
        // setupapi.dll is an import of this program, so it is loaded already.
        const HMODULE hSetupApi = GetModuleHandleW(L"setupapi.dll");
        Resolve(hSetupApi, "CMP_WaitNoPendingInstallEvents", &g_nativeSetupApi.pfnCMP_WaitNoPendingInstallEvents);
        Resolve(hSetupApi, "CM_Locate_DevNodeW", &g_nativeSetupApi.pfnCM_Locate_DevNodeW);
        Resolve(hSetupApi, "CM_Reenumerate_DevNode", &g_nativeSetupApi.pfnCM_Reenumerate_DevNode);
        g_bNativeSetupApiFilled = true;
    }
    return g_nativeSetupApi;
}
