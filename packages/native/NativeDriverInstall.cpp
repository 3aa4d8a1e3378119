#include "packages/native/NativeDriverInstall.h"

namespace {

DWORD WINAPI NativePreinstall(PCWSTR, DWORD)
{
    return ERROR_CALL_NOT_IMPLEMENTED;
}

DWORD WINAPI NativeInstall(PCWSTR, DWORD, PCINSTALLERINFO_W, BOOL*)
{
    return ERROR_CALL_NOT_IMPLEMENTED;
}

VOID WINAPI NativeSetLogCallback(DIFXAPILOGCALLBACK_W, PVOID) {}

} // namespace

void GetNativeDriverInstallApi(DRIVER_INSTALL_API* pApi)
{
    *pApi = { installPathNative, L"", NativePreinstall, NativeInstall, NativeInstall, NativeSetLogCallback };
}
