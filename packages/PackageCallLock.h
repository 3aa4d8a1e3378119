#pragma once

#include <windows.h>

#include "platform/MachineMutex.h"

class CDiffxApiCallback;
class CRunLog;

// Keeps the package calls of every tavelin process on the machine apart: two
// runs staging the same package at once would both find it missing and both
// copy it. A run holds the lock for each package call and for the repair.
// Taking and releasing it costs two system calls, which a list of many quick
// calls would pay for each entry: a lock taken is kept for the calls that
// follow within a short slice, and let go after the call that ends the
// slice, or when the run ends. A wait is bounded: whoever holds the lock
// longer cannot stop a run, which then goes on without it. Operation thread
// only.
class CPackageCallLock
{
public:
    // pszName: the lock's name; tests give one of their own.
    explicit CPackageCallLock(LPCWSTR pszName = nullptr);
    ~CPackageCallLock() { Release(); }
    CPackageCallLock(const CPackageCallLock&) = delete;
    CPackageCallLock& operator=(const CPackageCallLock&) = delete;

    // Takes the lock unless it is still held, waiting while another process
    // holds it. The run is not busy while it waits: the first package call
    // is reported after the first wait (FirstPackageCall), and later waits
    // pause the run (PackageCallsPaused). Whoever watches the run hears of
    // the first wait (pCallback, and the log when one is given); later waits
    // of the same run pass silently. A lock that cannot be had, or that was
    // not had within the wait's bound, is logged once, and the calls go on
    // without it.
    void Enter(CDiffxApiCallback* pCallback, CRunLog* pLog);
    // Lets the lock go once its slice is over.
    void Leave();

    // The longest wait for another run, in milliseconds; tests shorten it.
    void SetWaitLimit(DWORD dwMs) { m_dwWaitLimitMs = dwMs; }

private:
    void Open(CRunLog* pLog);
    bool Wait(CDiffxApiCallback* pCallback, CRunLog* pLog);
    void Release();

    LPCWSTR m_pszName;
    CMachineMutex m_mutex;
    DWORD m_dwWaitLimitMs;
    bool m_bCreateTried = false;
    bool m_bWaitReported = false;
    bool m_bCalled = false;
    bool m_bGivenUp = false;
    bool m_bHeld = false;
    ULONGLONG m_ullHeldSince = 0;
};

// Holds the lock from construction to the end of its scope, and for the rest
// of its slice.
class CPackageCallHold
{
public:
    CPackageCallHold(CPackageCallLock& lock, CDiffxApiCallback* pCallback, CRunLog* pLog) : m_lock(lock)
    {
        m_lock.Enter(pCallback, pLog);
    }
    ~CPackageCallHold() { m_lock.Leave(); }
    CPackageCallHold(const CPackageCallHold&) = delete;
    CPackageCallHold& operator=(const CPackageCallHold&) = delete;

private:
    CPackageCallLock& m_lock;
};
