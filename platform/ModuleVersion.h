#pragma once

#include <windows.h>

// The file version of the module's own version resource, "1.2.3.4", in
// pszVersion (cchVersion units, terminated). False when the module has no
// readable version resource; pszVersion is then empty.
bool FormatModuleVersion(HMODULE hModule, LPWSTR pszVersion, size_t cchVersion);
