#pragma once

#include "inf/MachineArchitecture.h"
#include "packages/DriverInstallApi.h"

// The provider for a build of one architecture on a machine of another or
// the same: the refusing one when they differ (an emulated build changes
// nothing), the native one on ARM64 (DIFx never existed there: a DIFXAPI.dll
// beside the exe would be an x64 one, which cannot load), else DIFx when it
// lies beside the exe, else the native one.
void ChooseDriverInstallApi(EMachineArchitecture build, EMachineArchitecture machine, DRIVER_INSTALL_API* pApi);
