#pragma once

#include <windows.h>
#include <setupapi.h>

#include "verify/VerifyReport.h"

// Warns, without changing the result, about each kernel-mode service binary
// that the package's install adds when its catalog is not signed by Windows
// (bSignedByWindows false) and Secure Boot is on: Windows 10 1607 and later
// then load only kernel drivers that Microsoft signed, apart from the
// cross-signing exceptions.
void WarnKernelDriversUnderSecureBoot(HINF hInf, bool bSignedByWindows, CVerifyReport* pReport);

// UEFISecureBootEnabled = 1 under HKLM\SYSTEM\CurrentControlSet\Control\SecureBoot\State.
bool IsSecureBootOn();
