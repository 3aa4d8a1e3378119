#include "platform/MachineMutex.h"

#include <sddl.h>

#include "platform/LastError.h"

namespace {

// Full access for Administrators and SYSTEM, nothing for anybody else; the
// list is protected from inherited entries.
const WCHAR c_szMutexSddl[] = L"D:P(A;;GA;;;BA)(A;;GA;;;SY)";

struct CLocalMemoryTraits
{
    static PSECURITY_DESCRIPTOR Invalid() { return nullptr; }
    static void Close(PSECURITY_DESCRIPTOR p) { LocalFree(p); }
};
using CSecurityDescriptor = CUniqueHandle<PSECURITY_DESCRIPTOR, CLocalMemoryTraits>;

} // namespace

DWORD CMachineMutex::Create(LPCWSTR pszName)
{
    PSECURITY_DESCRIPTOR pDescriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(c_szMutexSddl, SDDL_REVISION_1, &pDescriptor, nullptr))
        return LastErrorOrFailure();
    const CSecurityDescriptor descriptor(pDescriptor);
    SECURITY_ATTRIBUTES sa = { sizeof(sa), descriptor.Get(), FALSE };
    // Only the rights a wait and a release need; an existing mutex keeps the
    // descriptor its creator gave it.
    m_mutex.Reset(CreateMutexExW(&sa, pszName, 0, SYNCHRONIZE | MUTEX_MODIFY_STATE));
    return m_mutex.IsValid() ? ERROR_SUCCESS : LastErrorOrFailure();
}

EMutexWait CMachineMutex::Acquire(bool bBlock)
{
    switch (WaitForSingleObject(m_mutex.Get(), bBlock ? INFINITE : 0)) {
    case WAIT_OBJECT_0: return mutexAcquired;
    case WAIT_ABANDONED: return mutexAbandoned;
    case WAIT_TIMEOUT: return mutexTaken;
    default: return mutexWaitFailed;
    }
}
