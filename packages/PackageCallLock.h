#pragma once

#include <windows.h>

#include "platform/MachineMutex.h"

class CDiffxApiCallback;
class CRunLog;

// Keeps the package calls of every tavelin process on the machine apart: two
// runs staging the same package at once would both find it missing and both
// copy it. A run holds the lock for each package call and for the repair.
// Operation thread only.
class CPackageCallLock
{
public:
    // Takes the lock, waiting as long as another process holds it. Whoever
    // watches the run hears of the first wait (pCallback, and the log when one
    // is given); later waits of the same run pass silently. A lock that
    // cannot be had is logged once, and the calls go on without it.
    void Enter(CDiffxApiCallback* pCallback, CRunLog* pLog);
    void Leave();

private:
    bool Wait(CDiffxApiCallback* pCallback, CRunLog* pLog);

    CMachineMutex m_mutex;
    bool m_bCreateTried = false;
    bool m_bWaitReported = false;
    bool m_bHeld = false;
};

// Holds the lock from construction to the end of its scope.
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
