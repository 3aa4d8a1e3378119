#pragma once

#include <windows.h>
#include <setupapi.h>

#include "inf/DeviceIdList.h"

// Collects the ServiceBinary of every kernel-mode service (ServiceType 1, a
// kernel driver, or 2, a file system driver) that an install of the package
// on a device adds: the AddService lines of the .Services sections of the
// DDInstall sections that ForEachInstallSection walks. A service without a
// ServiceBinary is named by its service name. 0, or the error code.
DWORD ReadPackageKernelServices(HINF hInf, CPathList* pBinaries);
