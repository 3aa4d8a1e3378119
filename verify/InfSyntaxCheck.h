#pragma once

#include <windows.h>

#include "inf/InfFile.h"
#include "verify/VerifyReport.h"

// Opens the INF with SetupAPI's own reader as installation does. On failure
// reports SetupAPI's code and the line it names; the other checks cannot
// run then. True with *pInf open when it parses.
bool CheckInfParses(LPCWSTR pszFullPath, CInfFile* pInf, CVerifyReport* pReport);
