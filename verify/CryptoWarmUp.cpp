#include "verify/CryptoWarmUp.h"

#include <wincrypt.h>

#include "platform/DllSearch.h"
#include "platform/UniqueHandle.h"

namespace {

typedef HCERTSTORE(WINAPI* PFN_CERT_OPEN_STORE)(LPCSTR, DWORD, HCRYPTPROV_LEGACY, DWORD, const void*);
typedef BOOL(WINAPI* PFN_CERT_CLOSE_STORE)(HCERTSTORE, DWORD);

struct WARM_UP
{
    CKernelHandle thread;
    bool bStarted;
    // Held open until the run has its own chain engine, so that nothing the
    // thread built is dropped in between.
    HCERTSTORE hRoot;
    PFN_CERT_CLOSE_STORE pfnClose;
};
WARM_UP g_warmUp = {};

// The DLLs stay loaded for the rest of the process, as the crypto table
// keeps them: freeing crypt32 here could drop the store just built.
HMODULE LoadSystemDll(LPCWSTR pszName)
{
    WCHAR szPath[MAX_PATH];
    return BuildDllPath(dllFolderSystem, pszName, szPath, MAX_PATH) ? LoadLibraryByFullPath(szPath) : nullptr;
}

DWORD WINAPI WarmUpCrypto(LPVOID)
{
    const HMODULE hCrypt32 = LoadSystemDll(L"crypt32.dll");
    LoadSystemDll(L"wintrust.dll");
    const PFN_CERT_OPEN_STORE pfnOpen = ResolveProc<PFN_CERT_OPEN_STORE>(hCrypt32, "CertOpenStore");
    g_warmUp.pfnClose = ResolveProc<PFN_CERT_CLOSE_STORE>(hCrypt32, "CertCloseStore");
    if (pfnOpen && g_warmUp.pfnClose)
        g_warmUp.hRoot = pfnOpen(CERT_STORE_PROV_SYSTEM_W, 0, 0,
                                 CERT_SYSTEM_STORE_LOCAL_MACHINE | CERT_STORE_READONLY_FLAG, L"Root");
    return 0;
}

} // namespace

void StartCryptoWarmUp()
{
    if (g_warmUp.bStarted)
        return;
    g_warmUp.bStarted = true;
    g_warmUp.thread.Reset(CreateThread(nullptr, 0, WarmUpCrypto, nullptr, 0, nullptr));
}

void FinishCryptoWarmUp()
{
    if (!g_warmUp.thread.IsValid())
        return;
    WaitForSingleObject(g_warmUp.thread.Get(), INFINITE);
    g_warmUp.thread.Reset();
    if (g_warmUp.hRoot)
        g_warmUp.pfnClose(g_warmUp.hRoot, 0);
    g_warmUp.hRoot = nullptr;
}
