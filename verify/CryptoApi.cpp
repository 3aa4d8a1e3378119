#include "verify/CryptoApi.h"

#include "platform/DllSearch.h"

namespace {

VERIFY_CRYPTO_API g_cryptoApi = {};
bool g_bCryptoApiFilled = false;

// Loaded for the rest of the process: the table keeps pointers into it.
HMODULE LoadSystemDll(LPCWSTR pszName)
{
    WCHAR szPath[MAX_PATH];
    return BuildDllPath(dllFolderSystem, pszName, szPath, MAX_PATH) ? LoadLibraryByFullPath(szPath) : nullptr;
}

template <typename TPfn>
void Resolve(HMODULE hModule, const char* pszName, TPfn* ppfn)
{
    *ppfn = ResolveProc<TPfn>(hModule, pszName);
}

} // namespace

VERIFY_CRYPTO_API& VerifyCryptoApi()
{
    if (g_bCryptoApiFilled)
        return g_cryptoApi;
    g_bCryptoApiFilled = true;
    VERIFY_CRYPTO_API& api = g_cryptoApi;
    const HMODULE hCrypt32 = LoadSystemDll(L"crypt32.dll");
    Resolve(hCrypt32, "CryptQueryObject", &api.pfnCryptQueryObject);
    Resolve(hCrypt32, "CryptMsgGetParam", &api.pfnCryptMsgGetParam);
    Resolve(hCrypt32, "CryptMsgClose", &api.pfnCryptMsgClose);
    Resolve(hCrypt32, "CertCloseStore", &api.pfnCertCloseStore);
    Resolve(hCrypt32, "CryptDecodeObjectEx", &api.pfnCryptDecodeObjectEx);
    Resolve(hCrypt32, "CertGetNameStringW", &api.pfnCertGetNameStringW);
    Resolve(hCrypt32, "CertGetEnhancedKeyUsage", &api.pfnCertGetEnhancedKeyUsage);
    Resolve(hCrypt32, "CertOpenStore", &api.pfnCertOpenStore);
    Resolve(hCrypt32, "CertFindCertificateInStore", &api.pfnCertFindCertificateInStore);
    Resolve(hCrypt32, "CertFreeCertificateContext", &api.pfnCertFreeCertificateContext);
    const HMODULE hWintrust = LoadSystemDll(L"wintrust.dll");
    Resolve(hWintrust, "CryptCATAdminAcquireContext2", &api.pfnCryptCATAdminAcquireContext2);
    Resolve(hWintrust, "CryptCATAdminCalcHashFromFileHandle2", &api.pfnCryptCATAdminCalcHashFromFileHandle2);
    Resolve(hWintrust, "CryptCATAdminAcquireContext", &api.pfnCryptCATAdminAcquireContext);
    Resolve(hWintrust, "CryptCATAdminCalcHashFromFileHandle", &api.pfnCryptCATAdminCalcHashFromFileHandle);
    Resolve(hWintrust, "CryptCATAdminReleaseContext", &api.pfnCryptCATAdminReleaseContext);
    Resolve(hWintrust, "WinVerifyTrust", &api.pfnWinVerifyTrust);
    Resolve(hWintrust, "WTHelperProvDataFromStateData", &api.pfnWTHelperProvDataFromStateData);
    Resolve(hWintrust, "WTHelperGetProvSignerFromChain", &api.pfnWTHelperGetProvSignerFromChain);
    return api;
}

bool CryptoApiComplete(const VERIFY_CRYPTO_API& api)
{
    return api.pfnCryptQueryObject && api.pfnCryptMsgGetParam && api.pfnCryptMsgClose && api.pfnCertCloseStore &&
           api.pfnCryptDecodeObjectEx && api.pfnCertGetNameStringW && api.pfnCertGetEnhancedKeyUsage &&
           api.pfnCertOpenStore && api.pfnCertFindCertificateInStore && api.pfnCertFreeCertificateContext &&
           api.pfnCryptCATAdminAcquireContext && api.pfnCryptCATAdminCalcHashFromFileHandle &&
           api.pfnCryptCATAdminReleaseContext && api.pfnWinVerifyTrust && api.pfnWTHelperProvDataFromStateData &&
           api.pfnWTHelperGetProvSignerFromChain;
}
