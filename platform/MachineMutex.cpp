#include "platform/MachineMutex.h"

#include <sddl.h>
#include <cwchar>

#include "platform/DllSearch.h"
#include "platform/LastError.h"

namespace {

// Full access for Administrators and SYSTEM, nothing for anybody else; the
// list is protected from inherited entries. The same for the namespace and
// for the mutex in it.
const WCHAR c_szMutexSddl[] = L"D:P(A;;GA;;;BA)(A;;GA;;;SY)";
// The global mutex is owned by Administrators, whatever the creator's
// default owner: other runs check it by that (Wine would otherwise give it
// the user's own group).
const WCHAR c_szGlobalMutexSddl[] = L"O:BAD:P(A;;GA;;;BA)(A;;GA;;;SY)";
// Only the rights a wait and a release need, and READ_CONTROL to ask who
// owns a global object that was there before.
const DWORD c_dwMutexAccess = SYNCHRONIZE | MUTEX_MODIFY_STATE | READ_CONTROL;
// "<alias>\<name>" and "Global\<name>" fit in this.
const size_t c_cchMutexName = 128;

struct CLocalMemoryTraits
{
    static PSECURITY_DESCRIPTOR Invalid() { return nullptr; }
    static void Close(PSECURITY_DESCRIPTOR p) { LocalFree(p); }
};
using CSecurityDescriptor = CUniqueHandle<PSECURITY_DESCRIPTOR, CLocalMemoryTraits>;

// The descriptor of pszSddl, or the error.
DWORD MakeDescriptor(LPCWSTR pszSddl, CSecurityDescriptor* pDescriptor)
{
    PSECURITY_DESCRIPTOR p = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(pszSddl, SDDL_REVISION_1, &p, nullptr))
        return LastErrorOrFailure();
    pDescriptor->Reset(p);
    return ERROR_SUCCESS;
}

MACHINE_MUTEX_API SystemMutexApi()
{
    const HMODULE hKernel = GetModuleHandleW(L"kernel32.dll");
    MACHINE_MUTEX_API api = {};
    api.pfnCreateBoundaryDescriptorW =
        ResolveProc<decltype(api.pfnCreateBoundaryDescriptorW)>(hKernel, "CreateBoundaryDescriptorW");
    api.pfnAddSIDToBoundaryDescriptor =
        ResolveProc<decltype(api.pfnAddSIDToBoundaryDescriptor)>(hKernel, "AddSIDToBoundaryDescriptor");
    api.pfnCreatePrivateNamespaceW =
        ResolveProc<decltype(api.pfnCreatePrivateNamespaceW)>(hKernel, "CreatePrivateNamespaceW");
    api.pfnOpenPrivateNamespaceW =
        ResolveProc<decltype(api.pfnOpenPrivateNamespaceW)>(hKernel, "OpenPrivateNamespaceW");
    api.pfnClosePrivateNamespace =
        ResolveProc<decltype(api.pfnClosePrivateNamespace)>(hKernel, "ClosePrivateNamespace");
    api.pfnDeleteBoundaryDescriptor =
        ResolveProc<decltype(api.pfnDeleteBoundaryDescriptor)>(hKernel, "DeleteBoundaryDescriptor");
    api.pfnCreateMutexExW = CreateMutexExW;
    api.pfnGetSecurityInfo = GetSecurityInfo;
    return api;
}

// "<pszFirst>\<pszSecond>" into szName; false when it does not fit.
bool JoinName(LPCWSTR pszFirst, LPCWSTR pszSecond, WCHAR (&szName)[c_cchMutexName])
{
    const size_t cchFirst = wcslen(pszFirst);
    const size_t cchSecond = wcslen(pszSecond);
    if (cchFirst + 1 + cchSecond >= c_cchMutexName)
        return false;
    wmemcpy(szName, pszFirst, cchFirst);
    szName[cchFirst] = L'\\';
    wmemcpy(szName + cchFirst + 1, pszSecond, cchSecond + 1);
    return true;
}

// Administrators or SYSTEM own it. A descriptor without any owner is what
// Wine gives every object, as it keeps none; Windows gives every named
// object its creator's owner.
bool IsOwnedByAdministrators(HANDLE hObject)
{
    PSID pOwner = nullptr;
    PSECURITY_DESCRIPTOR pDescriptor = nullptr;
    if (g_machineMutexApi.pfnGetSecurityInfo(hObject, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &pOwner, nullptr,
                                             nullptr, nullptr, &pDescriptor) != ERROR_SUCCESS)
        return false;
    const CSecurityDescriptor descriptor(pDescriptor);
    return !pOwner || IsWellKnownSid(pOwner, WinBuiltinAdministratorsSid) || IsWellKnownSid(pOwner, WinLocalSystemSid);
}

} // namespace

MACHINE_MUTEX_API g_machineMutexApi = SystemMutexApi();

CMachineMutex::~CMachineMutex()
{
    m_mutex.Reset();
    if (m_hNamespace)
        g_machineMutexApi.pfnClosePrivateNamespace(m_hNamespace, 0);
    if (m_hBoundary)
        g_machineMutexApi.pfnDeleteBoundaryDescriptor(m_hBoundary);
}

// The namespace is bound to the Administrators SID: only a process whose
// token holds it can create or open it, and its descriptor lets nobody else
// create a name inside. False where the system has none (the caller then
// falls back to the global name); the namespace stays open as long as the
// mutex, so that its name stays valid for the other runs.
bool CMachineMutex::OpenPrivate(LPSECURITY_ATTRIBUTES pAttributes, LPCWSTR pszAlias, LPCWSTR pszName)
{
    const MACHINE_MUTEX_API& api = g_machineMutexApi;
    if (!api.pfnCreateBoundaryDescriptorW || !api.pfnAddSIDToBoundaryDescriptor || !api.pfnCreatePrivateNamespaceW ||
        !api.pfnOpenPrivateNamespaceW || !api.pfnClosePrivateNamespace || !api.pfnDeleteBoundaryDescriptor)
        return false;
    WCHAR szName[c_cchMutexName];
    if (!JoinName(pszAlias, pszName, szName))
        return false;
    // Wine returns null here, and its AddSIDToBoundaryDescriptor is a stub
    // that must never be called.
    m_hBoundary = api.pfnCreateBoundaryDescriptorW(pszAlias, 0);
    if (!m_hBoundary)
        return false;
    BYTE rgbSid[SECURITY_MAX_SID_SIZE];
    DWORD cbSid = sizeof(rgbSid);
    if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, rgbSid, &cbSid) ||
        !api.pfnAddSIDToBoundaryDescriptor(&m_hBoundary, rgbSid))
        return false;
    m_hNamespace = api.pfnCreatePrivateNamespaceW(pAttributes, m_hBoundary, pszAlias);
    if (!m_hNamespace && GetLastError() == ERROR_ALREADY_EXISTS)
        m_hNamespace = api.pfnOpenPrivateNamespaceW(m_hBoundary, pszAlias);
    if (!m_hNamespace)
        return false;
    m_mutex.Reset(api.pfnCreateMutexExW(pAttributes, szName, 0, c_dwMutexAccess));
    return m_mutex.IsValid();
}

DWORD CMachineMutex::OpenGlobal(LPSECURITY_ATTRIBUTES pAttributes, LPCWSTR pszName, EMutexScope* pScope)
{
    WCHAR szName[c_cchMutexName];
    if (!JoinName(L"Global", pszName, szName))
        return ERROR_INVALID_NAME;
    CSecurityDescriptor owned;
    DWORD dwError = MakeDescriptor(c_szGlobalMutexSddl, &owned);
    if (dwError != ERROR_SUCCESS)
        return dwError;
    SECURITY_ATTRIBUTES saOwned = { sizeof(saOwned), owned.Get(), FALSE };
    m_mutex.Reset(g_machineMutexApi.pfnCreateMutexExW(&saOwned, szName, 0, c_dwMutexAccess));
    // A token that cannot make Administrators the owner leaves it to its
    // default owner.
    if (!m_mutex.IsValid() && GetLastError() == ERROR_INVALID_OWNER)
        m_mutex.Reset(g_machineMutexApi.pfnCreateMutexExW(pAttributes, szName, 0, c_dwMutexAccess));
    if (!m_mutex.IsValid()) {
        dwError = LastErrorOrFailure();
        // The name belongs to an object of another kind (an event, say).
        if (dwError != ERROR_INVALID_HANDLE)
            return dwError;
        *pScope = mutexScopeForeign;
        return ERROR_ALREADY_EXISTS;
    }
    // A mutex created by this call carries this program's descriptor; one
    // that was there before keeps its creator's, which may let anybody in.
    if (GetLastError() == ERROR_ALREADY_EXISTS && !IsOwnedByAdministrators(m_mutex.Get())) {
        m_mutex.Reset();
        *pScope = mutexScopeForeign;
        return ERROR_ALREADY_EXISTS;
    }
    *pScope = mutexScopeGlobal;
    return ERROR_SUCCESS;
}

DWORD CMachineMutex::Create(LPCWSTR pszAlias, LPCWSTR pszName, EMutexScope* pScope)
{
    *pScope = mutexScopeNone;
    CSecurityDescriptor descriptor;
    const DWORD dwError = MakeDescriptor(c_szMutexSddl, &descriptor);
    if (dwError != ERROR_SUCCESS)
        return dwError;
    SECURITY_ATTRIBUTES sa = { sizeof(sa), descriptor.Get(), FALSE };
    if (OpenPrivate(&sa, pszAlias, pszName)) {
        *pScope = mutexScopePrivate;
        return ERROR_SUCCESS;
    }
    return OpenGlobal(&sa, pszName, pScope);
}

EMutexWait CMachineMutex::Acquire(DWORD dwMs)
{
    switch (WaitForSingleObject(m_mutex.Get(), dwMs)) {
    case WAIT_OBJECT_0: return mutexAcquired;
    case WAIT_ABANDONED: return mutexAbandoned;
    case WAIT_TIMEOUT: return mutexTaken;
    default: return mutexWaitFailed;
    }
}
