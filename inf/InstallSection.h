#pragma once

#include <windows.h>
#include <setupapi.h>

// The install section that SetupAPI runs on an x64 machine for the section
// a model line names: pszSection with its x64 decoration (.NTamd64, else
// .NT, else undecorated, whichever the INF has). Writes it into pszActual
// (cchActual units); false when the INF has none of them or it does not fit.
bool ActualInstallSection(HINF hInf, LPCWSTR pszSection, LPWSTR pszActual, DWORD cchActual);
