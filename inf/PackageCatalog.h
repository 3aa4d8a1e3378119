#pragma once

#include <windows.h>
#include <setupapi.h>

// The catalog file the package names for x64: CatalogFile.NTamd64, else
// CatalogFile.NT, else CatalogFile, from [Version]. Writes its name (as
// written, relative to the INF's folder) into pszName; false when the
// package names none or the name does not fit.
bool PackageCatalogName(HINF hInf, LPWSTR pszName, DWORD cchName);
