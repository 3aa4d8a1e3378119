#pragma once

#include <windows.h>

#include "platform/difx/DifxApi.h"

// Checks whether the package pszInfPath (relative to the current folder, or
// full) would install on this machine, reading it through the same SetupAPI
// and CryptoAPI functions that installation uses. Every problem found is an
// error event and every piece of information an info event to pfnEvent with
// pvContext, as DIFx reports its events. Stages, installs and writes nothing.
// Returns 0 when there was no problem, else the first problem's code.
DWORD VerifyDriverPackage(LPCWSTR pszInfPath, DIFXAPILOGCALLBACK_W pfnEvent, PVOID pvContext);
