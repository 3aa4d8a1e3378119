#include "packages/EmulatedRefusal.h"

#include "packages/native/NativeLog.h"

namespace {

void Refuse(LPCWSTR pszInfPath)
{
    NativeLogEvent(DIFXAPI_ERROR, c_dwErrorInWow64,
                   L"%ls is left as it is: this x64 build runs emulated on an ARM64 machine, where drivers are "
                   L"installed only by native programs; run the ARM64 build of tavelin",
                   pszInfPath ? pszInfPath : L"");
}

DWORD WINAPI RefusePreinstall(PCWSTR pszInfPath, DWORD)
{
    Refuse(pszInfPath);
    return c_dwErrorInWow64;
}

DWORD WINAPI RefuseInstall(PCWSTR pszInfPath, DWORD, PCINSTALLERINFO_W, BOOL*)
{
    Refuse(pszInfPath);
    return c_dwErrorInWow64;
}

DWORD WINAPI RefuseUninstall(PCWSTR pszInfPath, DWORD, PCINSTALLERINFO_W, BOOL*)
{
    Refuse(pszInfPath);
    return c_dwErrorInWow64;
}

VOID WINAPI RefusingSetLogCallback(DIFXAPILOGCALLBACK_W pfnLogCallback, PVOID pvContext)
{
    SetNativeLogCallback(pfnLogCallback, pvContext);
}

} // namespace

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
