#pragma once

#include <windows.h>
#include <setupapi.h>

#include "cmdline/OwnedString.h"
#include "platform/difx/DifxApi.h"

// Paths in the INF folder and the catalog root are built within this many
// units.
const size_t c_cchStagedPath = MAX_PATH * 2;

// pszFolder (with its trailing backslash) joined with pszName into pszPath of
// c_cchStagedPath units. False when it does not fit.
bool JoinStagedPath(LPCWSTR pszFolder, LPCWSTR pszName, LPWSTR pszPath);

// Finds the staged copy of the package at pszFullPath the way staging itself
// recognises one: an INF in the Windows INF folder with the same bytes (only
// files of the same size are read) whose catalog in the catalog root has the
// same bytes as the one the package names for the machine. Candidates are oemN.inf
// with oemN.cat or (Wine, for a second package of the same INF name) with
// the catalog under its own name, and (Wine keeps the package's own name
// while it is free) <name>.inf with the catalog under its own name: an
// in-box INF is none of these.
// A package that names no catalog, or whose catalog is not beside it, has no
// staged copy. Writes the copy's file name.
// 0, ERROR_DRIVER_PACKAGE_NOT_IN_STORE, or the error that stopped the search.
DWORD FindStagedCopy(LPCWSTR pszFullPath, HINF hInf, CWideString* pstrPublishedName);
