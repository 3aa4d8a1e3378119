#pragma once

#include <windows.h>
#include <setupapi.h>

#include "cmdline/OwnedString.h"
#include "inf/PackageFolder.h"
#include "verify/VerifyReport.h"

// Checks that the package names a catalog for the machine's architecture and that it lies beside
// the INF. True with its full path in *pstrCatalog when it does.
bool CheckCatalogPresent(HINF hInf, const CPackageFolder& folder, CWideString* pstrCatalog, CVerifyReport* pReport);
