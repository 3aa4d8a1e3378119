#include "verify/SecureBootCheck.h"

#include "inf/KernelServices.h"

bool IsSecureBootOn()
{
    DWORD dwEnabled = 0;
    DWORD cbEnabled = sizeof(dwEnabled);
    return RegGetValueW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\SecureBoot\\State",
                        L"UEFISecureBootEnabled", RRF_RT_REG_DWORD, nullptr, &dwEnabled,
                        &cbEnabled) == ERROR_SUCCESS &&
           dwEnabled == 1;
}

void WarnKernelDriversUnderSecureBoot(HINF hInf, bool bSignedByWindows, CVerifyReport* pReport)
{
    if (bSignedByWindows || !IsSecureBootOn())
        return;
    // A package whose services cannot be read is judged by the other checks.
    CPathList binaries;
    if (ReadPackageKernelServices(hInf, &binaries) != ERROR_SUCCESS)
        return;
    for (LPCWSTR pszBinary = binaries.First(); pszBinary; pszBinary = binaries.Next(pszBinary))
        pReport->Warning(L"\"%ls\" is a kernel-mode driver whose catalog Microsoft did not sign: Windows 10 1607 and "
                         L"later with Secure Boot on load only kernel drivers that Microsoft signed, apart from the "
                         L"cross-signing exceptions, so it may not start (Device Manager code 52)",
                         pszBinary);
}
