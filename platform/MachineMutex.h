#pragma once

#include <windows.h>
#include <aclapi.h>

#include "platform/UniqueHandle.h"

// How a wait for a machine-wide mutex ended.
enum EMutexWait
{
    mutexAcquired = 0,
    // Its holder ended without releasing it; it is held now all the same.
    mutexAbandoned = 1,
    // Another process holds it still when the wait ends.
    mutexTaken = 2,
    mutexWaitFailed = 3,
};

// Where the mutex was found.
enum EMutexScope
{
    mutexScopeNone = 0,
    // In the private namespace that only administrators and SYSTEM can reach.
    mutexScopePrivate = 1,
    // Under the global name, created by this process or by administrators or
    // SYSTEM.
    mutexScopeGlobal = 2,
    // The global name is taken by an object that is no mutex of
    // administrators or SYSTEM: it is left alone.
    mutexScopeForeign = 3,
};

// The calls the mutex is made with, as a table: tests stand in for the
// private namespace and for owners, which Wine does not have. The namespace
// calls are resolved at run time (Windows Vista and later; Wine exports
// CreateBoundaryDescriptorW only, and it always fails); null where missing.
struct MACHINE_MUTEX_API
{
    HANDLE(WINAPI* pfnCreateBoundaryDescriptorW)(LPCWSTR pszName, ULONG ulFlags);
    BOOL(WINAPI* pfnAddSIDToBoundaryDescriptor)(HANDLE* phBoundary, PSID pSid);
    HANDLE(WINAPI* pfnCreatePrivateNamespaceW)(LPSECURITY_ATTRIBUTES pAttributes, LPVOID pvBoundary,
                                               LPCWSTR pszAlias);
    HANDLE(WINAPI* pfnOpenPrivateNamespaceW)(LPVOID pvBoundary, LPCWSTR pszAlias);
    BOOLEAN(WINAPI* pfnClosePrivateNamespace)(HANDLE hNamespace, ULONG ulFlags);
    VOID(WINAPI* pfnDeleteBoundaryDescriptor)(HANDLE hBoundary);
    HANDLE(WINAPI* pfnCreateMutexExW)(LPSECURITY_ATTRIBUTES pAttributes, LPCWSTR pszName, DWORD dwFlags,
                                      DWORD dwAccess);
    DWORD(WINAPI* pfnGetSecurityInfo)(HANDLE hObject, SE_OBJECT_TYPE type, SECURITY_INFORMATION info, PSID* ppOwner,
                                      PSID* ppGroup, PACL* ppDacl, PACL* ppSacl, PSECURITY_DESCRIPTOR* ppDescriptor);
};

// The system's own calls unless a test replaced them.
extern MACHINE_MUTEX_API g_machineMutexApi;

// A mutex shared by every process on the machine that uses the same name,
// which only administrators and SYSTEM may open: an ordinary user can neither
// hold it nor stand in for it. It lives in a private namespace bound to the
// Administrators SID, where no other user can create a name first. Where
// the system has no private namespaces it falls back to the global name; a
// user may create that name first, so an object found there counts only
// when it is a mutex owned by administrators or SYSTEM.
class CMachineMutex
{
public:
    CMachineMutex() = default;
    ~CMachineMutex();
    CMachineMutex(const CMachineMutex&) = delete;
    CMachineMutex& operator=(const CMachineMutex&) = delete;

    // Creates the mutex pszName in the namespace pszAlias, or opens it when
    // another process created it first; falls back to "Global\<pszName>".
    // ERROR_SUCCESS or the reason it cannot be had; *pScope says where it
    // was found (mutexScopeForeign comes with ERROR_ALREADY_EXISTS).
    DWORD Create(LPCWSTR pszAlias, LPCWSTR pszName, EMutexScope* pScope);
    bool IsValid() const { return m_mutex.IsValid(); }

    // Takes the mutex, waiting at most dwMs milliseconds (0: not at all);
    // mutexTaken when another process holds it still.
    EMutexWait Acquire(DWORD dwMs);
    void Release() { ReleaseMutex(m_mutex.Get()); }

private:
    bool OpenPrivate(LPSECURITY_ATTRIBUTES pAttributes, LPCWSTR pszAlias, LPCWSTR pszName);
    DWORD OpenGlobal(LPSECURITY_ATTRIBUTES pAttributes, LPCWSTR pszName, EMutexScope* pScope);

    HANDLE m_hBoundary = nullptr;
    HANDLE m_hNamespace = nullptr;
    CKernelHandle m_mutex;
};
