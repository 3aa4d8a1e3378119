#pragma once

#include <windows.h>

#include "packages/DiffxApiCallback.h"

// Shows the reports of a run in the progress dialog. Called on the worker
// thread; every change reaches the dialog as a sent message, which the
// dialog's own thread handles.
class CProgressDialogCallback : public CDiffxApiCallback
{
public:
    explicit CProgressDialogCallback(HWND hWnd) : m_hWnd(hWnd) {}

    void SetTotal(INT nCount) override;
    void StepDone() override;
    void BeginPackage(INT nOperation, LPCWSTR pszInfPath) override;
    void EndOperation(INT nOperation, bool bDone) override;
    // The status line says so while the wait lasts, then shows again what it
    // showed before.
    void WaitForOtherRun(bool bWaiting) override;
    // The dialog refuses shutdown from the first package call on, except
    // while the run only waits for another one.
    void FirstPackageCall() override;
    void PackageCallsPaused(bool bPaused) override;
    // /v: the checks' events and results, for the results dialog.
    void OnLogEvent(INT nEventType, DWORD dwError, LPCWSTR pszEventText) override;
    void PackageDone(INT nOperation, LPCWSTR pszInfPath, DWORD dwResult) override;

    HWND m_hWnd;
    INT m_nPosition = 0;
    WCHAR m_szStatusBeforeWait[1024] = {};
};
