#pragma once

#include <windows.h>
#include <setupapi.h>

#include "inf/DeviceIdList.h"

// Collects the hardware and compatible IDs that the package's models
// sections for this machine name. A package without models for the machine's architecture gives an
// empty list. 0, or the error code.
DWORD ReadPackageDeviceIds(HINF hInf, CDeviceIdList* pIds);
