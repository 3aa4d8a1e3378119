#pragma once

#include <windows.h>
#include <setupapi.h>

#include "inf/MachineArchitecture.h"

// The install section that SetupAPI runs on a machine of the given
// architecture for the section a model line names: pszSection with its
// decoration (.NTamd64 or .NTarm64, else .NT, else undecorated, whichever the
// INF has). Writes it into pszActual (cchActual units); false when the INF has
// none of them or it does not fit.
bool ActualInstallSection(HINF hInf, LPCWSTR pszSection, LPWSTR pszActual, DWORD cchActual,
                          EMachineArchitecture architecture = MachineArchitecture());
