#pragma once

#include <windows.h>
#include <setupapi.h>

#include "verify/DriverVersion.h"
#include "verify/VerifyReport.h"

// Checks that [Version] is complete: a Signature of $Windows NT$ or
// $Chicago$ in any case, Class and ClassGuid, Provider, and a DriverVer of a
// valid date and version. Reports one problem per gap. Returns true with
// *pVersion filled when DriverVer is valid.
bool CheckVersionSection(HINF hInf, DRIVER_VERSION* pVersion, CVerifyReport* pReport);
