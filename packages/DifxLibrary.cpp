#include "packages/DifxLibrary.h"

#include "platform/DllSearch.h"
#include "platform/UniqueHandle.h"

namespace {

const WCHAR c_szDifxDll[] = L"DIFXAPI.dll";

// The DLL stays loaded for the life of the process: the runs call into it up
// to the last teardown.
WCHAR g_szDifxPath[MAX_PATH * 4];

template <typename TPfn>
bool Resolve(HMODULE hModule, const char* pszName, TPfn* ppfn)
{
    *ppfn = ResolveProc<TPfn>(hModule, pszName);
    return *ppfn != nullptr;
}

bool LoadBesideExe(DRIVER_INSTALL_API* pApi)
{
    if (!BuildDllPath(dllFolderExe, c_szDifxDll, g_szDifxPath, ARRAYSIZE(g_szDifxPath)))
        return false;
    if (GetFileAttributesW(g_szDifxPath) == INVALID_FILE_ATTRIBUTES)
        return false;
    CModuleHandle module(LoadLibraryByFullPath(g_szDifxPath));
    if (!module.IsValid())
        return false;
    DRIVER_INSTALL_API api = {};
    if (!Resolve(module.Get(), "DriverPackagePreinstallW", &api.pfnPreinstall) ||
        !Resolve(module.Get(), "DriverPackageInstallW", &api.pfnInstall) ||
        !Resolve(module.Get(), "DriverPackageUninstallW", &api.pfnUninstall) ||
        !Resolve(module.Get(), "DIFXAPISetLogCallbackW", &api.pfnSetLogCallback))
        return false;
    api.nPath = installPathDifx;
    api.pszModulePath = g_szDifxPath;
    module.Detach();
    *pApi = api;
    return true;
}

} // namespace

bool LoadDifxLibrary(DRIVER_INSTALL_API* pApi)
{
    if (LoadBesideExe(pApi))
        return true;
    g_szDifxPath[0] = L'\0';
    return false;
}
