#pragma once

#include <windows.h>

#include "cmdline/OwnedString.h"

// The full path of an INF as the system calls want it: pszInfPath resolved
// against the current folder. 0, or the error code after reporting why:
// the file is missing, or it lies in the Windows INF folder or the driver
// store (by its final path), which hold staged copies and the system's own
// INFs, never a package to act on (87).
DWORD ResolvePackagePath(LPCWSTR pszInfPath, CWideString* pstrFullPath);

// The Windows INF folder with a trailing backslash, in pszFolder (cchFolder
// units). False when it does not fit.
bool GetInfFolder(LPWSTR pszFolder, size_t cchFolder);

// The full path of the staged copy pszPublishedName (a file name) in the
// Windows INF folder, which only administrators can change: every call
// after staging reopens the package there. 0, or the error code.
DWORD GetStagedCopyPath(LPCWSTR pszPublishedName, CWideString* pstrPath);
