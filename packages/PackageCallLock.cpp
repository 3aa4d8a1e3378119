#include "packages/PackageCallLock.h"

#include "packages/DiffxApiCallback.h"
#include "packages/RunLog.h"

namespace {

// One name for every tavelin, whichever version or folder it runs from.
const WCHAR c_szLockName[] = L"Global\\TavelinDriverPackageCall";
// Another run waits at most this long (and the call then running) beyond
// the calls it must wait for anyway.
const ULONGLONG c_msHoldSlice = 50;

} // namespace

void CPackageCallLock::Enter(CDiffxApiCallback* pCallback, CRunLog* pLog)
{
    if (!m_bCreateTried) {
        m_bCreateTried = true;
        pCallback->FirstPackageCall();
        const DWORD dwError = m_mutex.Create(c_szLockName);
        if (dwError != ERROR_SUCCESS && pLog)
            pLog->CallLockUnavailable(dwError);
    }
    if (m_bHeld || !m_mutex.IsValid())
        return;
    m_bHeld = Wait(pCallback, pLog);
    m_ullHeldSince = GetTickCount64();
}

bool CPackageCallLock::Wait(CDiffxApiCallback* pCallback, CRunLog* pLog)
{
    EMutexWait wait = m_mutex.Acquire(false);
    if (wait == mutexTaken) {
        const bool bReport = !m_bWaitReported;
        m_bWaitReported = true;
        if (bReport) {
            if (pLog)
                pLog->OtherRunWait();
            pCallback->WaitForOtherRun(true);
        }
        wait = m_mutex.Acquire(true);
        if (bReport)
            pCallback->WaitForOtherRun(false);
    }
    // A holder that ended, perhaps in the middle of a call, leaves the system
    // as it left it: the next call runs all the same, and the log says so.
    if (wait == mutexAbandoned && pLog)
        pLog->CallLockTakenOver();
    return wait == mutexAcquired || wait == mutexAbandoned;
}

void CPackageCallLock::Leave()
{
    if (GetTickCount64() - m_ullHeldSince >= c_msHoldSlice)
        Release();
}

void CPackageCallLock::Release()
{
    if (m_bHeld)
        m_mutex.Release();
    m_bHeld = false;
}
