#pragma once

#include <windows.h>

class CDiffxApiCallback;
class CPackageCallLock;
class CRunLog;
struct RUN_SUMMARY;

// /c for one package: once the package at pszInfPath is itself staged
// (found by its bytes and its catalog), removes the staged versions of the
// same package that are older and that no device uses, each under the
// machine-wide lock, and keeps the others. Reports one event per version
// considered through the native log callback, and counts the versions
// removed and kept in *pSummary. DIFx plays no part: it has no such
// operation. 0 when every superseded version that no device uses is gone
// (also when there was none); ERROR_DRIVER_PACKAGE_NOT_IN_STORE when the
// package is not staged (then nothing is removed); 87 for a path in the INF
// folder or the driver store; otherwise the first failure's code.
DWORD CleanDriverPackage(LPCWSTR pszInfPath, CPackageCallLock& lock, CDiffxApiCallback* pCallback, CRunLog* pLog,
                         RUN_SUMMARY* pSummary);

// /v: when the package at pszInfPath is staged, one info event per older
// staged version of it, telling what /c would do with it. Changes nothing
// and reports no problem.
void PreviewCleanDriverPackage(LPCWSTR pszInfPath);
