#pragma once

#include <windows.h>
#include <setupapi.h>

#include "inf/DeviceIdList.h"

// Collects the full source path of every file that the install sections
// of the package's models for this machine copy, as SetupAPI itself reads
// them: the sections are queued into a file queue that is scanned and never
// committed, with pszInfFolder (the INF's own folder) as the source root.
// Nothing is copied. 0, or the error code.
DWORD ReadPackageCopiedFiles(HINF hInf, LPCWSTR pszInfFolder, CPathList* pFiles);
