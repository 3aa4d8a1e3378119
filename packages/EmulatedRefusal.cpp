#include "packages/EmulatedRefusal.h"

#include "packages/native/NativeLog.h"

namespace {

DWORD WINAPI RefusePreinstall(PCWSTR pszInfPath, DWORD)
{
    return RefuseEmulatedPackage(pszInfPath);
}

DWORD WINAPI RefuseInstall(PCWSTR pszInfPath, DWORD, PCINSTALLERINFO_W, BOOL*)
{
    return RefuseEmulatedPackage(pszInfPath);
}

DWORD WINAPI RefuseUninstall(PCWSTR pszInfPath, DWORD, PCINSTALLERINFO_W, BOOL*)
{
    return RefuseEmulatedPackage(pszInfPath);
}

VOID WINAPI RefusingSetLogCallback(DIFXAPILOGCALLBACK_W pfnLogCallback, PVOID pvContext)
{
    SetNativeLogCallback(pfnLogCallback, pvContext);
}

} // namespace

DWORD RefuseEmulatedPackage(LPCWSTR pszInfPath)
{
    NativeLogEvent(DIFXAPI_ERROR, c_dwErrorInWow64,
                   L"\"%ls\" is left as it is: this x64 build runs emulated on an ARM64 machine, where drivers are "
                   L"installed only by native programs; run the ARM64 build of tavelin",
                   pszInfPath ? pszInfPath : L"");
    return c_dwErrorInWow64;
}

void GetRefusingDriverInstallApi(DRIVER_INSTALL_API* pApi)
{
    *pApi = { installPathRefused,
              L"",
              RefusePreinstall,
              RefuseInstall,
              RefuseUninstall,
              RefusingSetLogCallback,
              L"this x64 build runs emulated on an ARM64 machine and changes nothing there; run the ARM64 build" };
}
