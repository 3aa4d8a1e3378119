// A class installer for test device classes, so that a device removal can
// fail, or ask for a restart, the way a real class installer makes it. The
// class key names it in "Installer32"; it reads what to do on DIF_REMOVE
// from two DWORD values of that same class key, set by the test:
//   "TestRemoveError"   the code the removal fails with (0: it succeeds);
//   "TestRemoveReboot"  1: the removal succeeds and asks for a restart, as a
//                       removal does that can only finish when Windows
//                       restarts (the device stays until then).
// Every other request is left to SetupAPI's default handling.
#include <windows.h>
#include <setupapi.h>

#include <cwchar>

namespace {

DWORD ClassValue(const GUID& guid, LPCWSTR pszName)
{
    WCHAR szKey[128];
    _snwprintf(szKey, ARRAYSIZE(szKey) - 1,
               L"System\\CurrentControlSet\\Control\\Class\\{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
               static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1],
               guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    szKey[ARRAYSIZE(szKey) - 1] = L'\0';
    DWORD dwValue = 0;
    DWORD cb = sizeof(dwValue);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, szKey, pszName, RRF_RT_REG_DWORD, nullptr, &dwValue, &cb) != ERROR_SUCCESS)
        return 0;
    return dwValue;
}

} // namespace

extern "C" __declspec(dllexport) DWORD CALLBACK TestClassInstaller(DI_FUNCTION function, HDEVINFO hDevInfo,
                                                                   PSP_DEVINFO_DATA pDevInfoData)
{
    if (function != DIF_REMOVE || !pDevInfoData)
        return ERROR_DI_DO_DEFAULT;
    const DWORD dwError = ClassValue(pDevInfoData->ClassGuid, L"TestRemoveError");
    if (dwError != 0)
        return dwError;
    if (ClassValue(pDevInfoData->ClassGuid, L"TestRemoveReboot") == 1) {
        SP_DEVINSTALL_PARAMS_W params = {};
        params.cbSize = sizeof(params);
        if (!SetupDiGetDeviceInstallParamsW(hDevInfo, pDevInfoData, &params))
            return GetLastError();
        params.Flags |= DI_NEEDREBOOT;
        if (!SetupDiSetDeviceInstallParamsW(hDevInfo, pDevInfoData, &params))
            return GetLastError();
        return NO_ERROR;
    }
    return ERROR_DI_DO_DEFAULT;
}
