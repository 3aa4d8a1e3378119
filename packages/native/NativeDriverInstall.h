#pragma once

#include "packages/DriverInstallApi.h"

// Fills pApi with the provider that uses Windows' own device-installation
// API, for a system without DIFx.
void GetNativeDriverInstallApi(DRIVER_INSTALL_API* pApi);
