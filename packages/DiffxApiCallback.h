#pragma once

#include <windows.h>

// The one channel through which the package operations report what they do.
// Every operation of this base class does nothing: a quiet run passes it as
// it is. Instances live on a thread's stack or inside a batch and are never
// deleted through this type.
class CDiffxApiCallback
{
public:
    virtual void OnLogEvent(INT nEventType, DWORD dwError, LPCWSTR pszEventText);
    virtual void SetTotal(INT nCount);
    virtual void StepDone();
    virtual void BeginPackage(INT nOperation, LPCWSTR pszInfPath);
    // After each package of a run, with its result.
    virtual void PackageDone(INT nOperation, LPCWSTR pszInfPath, DWORD dwResult);
    virtual void EndOperation(INT nOperation, bool bDone);
    // Once per run, right before its first package call or the repair (after
    // any wait for another run): from here on the run changes the system.
    virtual void FirstPackageCall();
    // True when a run that has made a package call starts waiting for another
    // tavelin process's call, false when it goes on: while it only waits it
    // is not busy, and must not keep a shutdown from happening.
    virtual void PackageCallsPaused(bool bPaused);
    // True when a package call starts waiting for another tavelin process's
    // call to end, false when that wait is over; once per run at most.
    virtual void WaitForOtherRun(bool bWaiting);
};
