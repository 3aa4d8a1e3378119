#pragma once

#include "packages/DriverInstallApi.h"

// Loads DIFXAPI.dll by full path from the exe's own folder only: a DIFx put
// there is the deployer's choice. System32's in-box copy is never used (it is
// deprecated and cannot read the models decorations of current packages), nor
// is any copy in the current folder or on PATH. Fills pApi and returns true
// when the DLL exports all four functions; a DLL that lacks one is unloaded
// and counts as absent.
bool LoadDifxLibrary(DRIVER_INSTALL_API* pApi);
