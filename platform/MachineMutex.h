#pragma once

#include <windows.h>

#include "platform/UniqueHandle.h"

// How a wait for a machine-wide mutex ended.
enum EMutexWait
{
    mutexAcquired = 0,
    // Its holder ended without releasing it; it is held now all the same.
    mutexAbandoned = 1,
    // Another process holds it (only from a wait that does not block).
    mutexTaken = 2,
    mutexWaitFailed = 3,
};

// A mutex in the global namespace, one object for every process on the
// machine that uses the same name, which only administrators and SYSTEM may
// open: an ordinary user can neither hold it nor stand in for it.
class CMachineMutex
{
public:
    // Creates the mutex, or opens it when another process created it first.
    // ERROR_SUCCESS or the reason it cannot be had.
    DWORD Create(LPCWSTR pszName);
    bool IsValid() const { return m_mutex.IsValid(); }

    // Takes the mutex; with bBlock false it returns mutexTaken at once when
    // another process holds it.
    EMutexWait Acquire(bool bBlock);
    void Release() { ReleaseMutex(m_mutex.Get()); }

private:
    CKernelHandle m_mutex;
};
