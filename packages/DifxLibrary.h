#pragma once

#include "packages/DriverInstallApi.h"

// Loads DIFXAPI.dll by full path, first from the exe's own folder, then from
// System32, never from the current folder or PATH. Fills pApi and returns
// true for the first DLL that exports all four functions; a DLL that lacks
// one is unloaded and counts as absent.
bool LoadDifxLibrary(DRIVER_INSTALL_API* pApi);
