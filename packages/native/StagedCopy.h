#pragma once

#include <windows.h>
#include <setupapi.h>

#include "cmdline/OwnedString.h"

// DIFx's code for a package that is not in the driver store.
#define ERROR_DRIVER_PACKAGE_NOT_IN_STORE 0xE0000302

// Finds the staged copy of the package at pszFullPath the way staging itself
// recognises one: an INF in the Windows INF folder with the same bytes (only
// files of the same size are read), whose catalog, when the package names
// one, has the same bytes as the package's. Staging names the copy oemN.inf
// (Wine keeps the package's own name while it is free), so only those names
// are candidates: no other INF of the system is ever looked at. Writes the
// copy's file name.
// 0, ERROR_DRIVER_PACKAGE_NOT_IN_STORE, or the error that stopped the search.
DWORD FindStagedCopy(LPCWSTR pszFullPath, HINF hInf, CWideString* pstrPublishedName);
