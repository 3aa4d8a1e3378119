#include "packages/PackageCallLock.h"

#include "packages/DiffxApiCallback.h"
#include "packages/RunLog.h"

namespace {

// One name for every tavelin, whichever version or folder it runs from, in
// the private namespace of this alias (or, without one, the global one).
const WCHAR c_szLockAlias[] = L"Tavelin";
const WCHAR c_szLockName[] = L"TavelinDriverPackageCall";
// Another run waits at most this long (and the call then running) beyond
// the calls it must wait for anyway.
const ULONGLONG c_msHoldSlice = 50;
// No package call takes this long; a holder that keeps the lock longer is
// stuck, or not a tavelin run at all.
const DWORD c_msWaitLimit = 10 * 60 * 1000;

} // namespace

CPackageCallLock::CPackageCallLock(LPCWSTR pszName)
    : m_pszName(pszName ? pszName : c_szLockName), m_dwWaitLimitMs(c_msWaitLimit)
{
}

void CPackageCallLock::Open(CRunLog* pLog)
{
    m_bCreateTried = true;
    EMutexScope scope = mutexScopeNone;
    const DWORD dwError = m_mutex.Create(c_szLockAlias, m_pszName, &scope);
    if (!pLog)
        return;
    if (scope == mutexScopeForeign)
        pLog->CallLockForeign(m_pszName);
    else if (dwError != ERROR_SUCCESS)
        pLog->CallLockUnavailable(dwError);
}

void CPackageCallLock::Enter(CDiffxApiCallback* pCallback, CRunLog* pLog)
{
    if (!m_bCreateTried)
        Open(pLog);
    if (!m_bHeld && !m_bGivenUp && m_mutex.IsValid()) {
        m_bHeld = Wait(pCallback, pLog);
        m_ullHeldSince = GetTickCount64();
    }
    if (!m_bCalled) {
        m_bCalled = true;
        pCallback->FirstPackageCall();
    }
}

bool CPackageCallLock::Wait(CDiffxApiCallback* pCallback, CRunLog* pLog)
{
    EMutexWait wait = m_mutex.Acquire(0);
    if (wait == mutexTaken) {
        const bool bReport = !m_bWaitReported;
        m_bWaitReported = true;
        if (bReport) {
            if (pLog)
                pLog->OtherRunWait();
            pCallback->WaitForOtherRun(true);
        }
        if (m_bCalled)
            pCallback->PackageCallsPaused(true);
        wait = m_mutex.Acquire(m_dwWaitLimitMs);
        if (m_bCalled)
            pCallback->PackageCallsPaused(false);
        if (bReport)
            pCallback->WaitForOtherRun(false);
        if (wait == mutexTaken) {
            m_bGivenUp = true;
            if (pLog)
                pLog->CallLockWaitTooLong(m_dwWaitLimitMs);
        }
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
