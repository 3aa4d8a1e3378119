#pragma once

#include <windows.h>
#include <setupapi.h>

#include "inf/MachineArchitecture.h"

// The catalog file the package names for a machine of the given
// architecture: CatalogFile.NTamd64 or CatalogFile.NTarm64, else
// CatalogFile.NT, else CatalogFile, from [Version]. Writes its name (as
// written, relative to the INF's folder) into pszName; false when the package
// names none or the name does not fit.
bool PackageCatalogName(HINF hInf, LPWSTR pszName, DWORD cchName,
                        EMachineArchitecture architecture = MachineArchitecture());

// The [Version] key of the catalog for the architecture alone:
// "CatalogFile.NTamd64" or "CatalogFile.NTarm64".
LPCWSTR ArchitectureCatalogKey(EMachineArchitecture architecture);
