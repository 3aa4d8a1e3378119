#pragma once

#include <windows.h>
#include <setupapi.h>

#include "inf/DeviceIdList.h"
#include "inf/PackageFolder.h"
#include "verify/VerifyReport.h"

// Checks that every file the install sections for the machine copy lies at its source
// path in the package; reports each missing one. The files that are there
// join pPresent, for the catalog check.
void CheckCopiedFiles(HINF hInf, const CPackageFolder& folder, CPathList* pPresent, CVerifyReport* pReport);
