#pragma once

#include <windows.h>

#include "inf/DeviceIdList.h"
#include "verify/DriverVersion.h"
#include "verify/VerifyReport.h"

// Information, never a problem: each present device that lists one of ids,
// its current driver (INF, provider and DriverVer from its driver key) and,
// when pPackageVersion is given, whether the package's DriverVer is newer,
// the same or older. The devices are those present at the first call of
// the process: a run checks its packages against one view of the machine.
void ReportPresentDevices(const CDeviceIdList& ids, const DRIVER_VERSION* pPackageVersion, CVerifyReport* pReport);
