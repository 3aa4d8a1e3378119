#pragma once

#include <windows.h>
#include <setupapi.h>

#include "inf/DeviceIdList.h"
#include "inf/InstallSections.h"

// Collects the full source path of every file that an install of the
// package on a device copies: the CopyFiles of the sections that
// ForEachInstallSection walks (DDInstall, its co-installers and interfaces,
// the class installer), as sections or as single @file entries, read by
// SetupAPI itself: the sections are queued into a file queue that is scanned
// and never committed, with pszInfFolder (the INF's own folder) as the
// source root. Nothing is copied. A model line without its install section
// goes to pfnMissing (see INSTALL_SECTION_WALK) with pvMissing. 0, or the
// error code.
DWORD ReadPackageCopiedFiles(HINF hInf, LPCWSTR pszInfFolder, CPathList* pFiles,
                             DWORD (*pfnMissing)(LPCWSTR, LPCWSTR, LPCWSTR, PVOID) = nullptr,
                             PVOID pvMissing = nullptr);
