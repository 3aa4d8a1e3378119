#pragma once

#include <windows.h>
#include <setupapi.h>

#include "inf/DeviceIdList.h"
#include "inf/PackageFolder.h"
#include "verify/VerifyReport.h"

// Checks that every model line has its install section for the machine
// (reporting each that lacks it, naming the section and the model) and that
// every file an install copies lies at its source path in the package;
// reports each missing one. The files that are there join pPresent, for the
// catalog check.
void CheckCopiedFiles(HINF hInf, const CPackageFolder& folder, CPathList* pPresent, CVerifyReport* pReport);
