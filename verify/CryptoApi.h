#pragma once

#include <windows.h>
#include <wincrypt.h>
#include <wintrust.h>
#include <mscat.h>

#include "platform/UniqueHandle.h"

// The catalog and signature functions of crypt32.dll and wintrust.dll. Neither
// DLL is a KnownDLL, so neither is an import of the program: both are loaded
// by full path from System32 on first use. A test may replace entries to
// reach branches its platform lacks.
struct VERIFY_CRYPTO_API
{
    BOOL(WINAPI* pfnCryptQueryObject)(DWORD dwObjectType, const void* pvObject, DWORD dwExpectedContentTypeFlags,
                                      DWORD dwExpectedFormatTypeFlags, DWORD dwFlags, DWORD* pdwMsgAndCertEncodingType,
                                      DWORD* pdwContentType, DWORD* pdwFormatType, HCERTSTORE* phCertStore,
                                      HCRYPTMSG* phMsg, const void** ppvContext);
    BOOL(WINAPI* pfnCryptMsgGetParam)(HCRYPTMSG hCryptMsg, DWORD dwParamType, DWORD dwIndex, void* pvData,
                                      DWORD* pcbData);
    BOOL(WINAPI* pfnCryptMsgClose)(HCRYPTMSG hCryptMsg);
    BOOL(WINAPI* pfnCertCloseStore)(HCERTSTORE hCertStore, DWORD dwFlags);
    BOOL(WINAPI* pfnCryptDecodeObjectEx)(DWORD dwCertEncodingType, LPCSTR lpszStructType, const BYTE* pbEncoded,
                                         DWORD cbEncoded, DWORD dwFlags, PCRYPT_DECODE_PARA pDecodePara,
                                         void* pvStructInfo, DWORD* pcbStructInfo);
    DWORD(WINAPI* pfnCertGetNameStringW)(PCCERT_CONTEXT pCertContext, DWORD dwType, DWORD dwFlags, void* pvTypePara,
                                         LPWSTR pszNameString, DWORD cchNameString);
    // The signer's usages, and the LocalMachine TrustedPublisher lookup.
    BOOL(WINAPI* pfnCertGetEnhancedKeyUsage)(PCCERT_CONTEXT pCertContext, DWORD dwFlags, PCERT_ENHKEY_USAGE pUsage,
                                             DWORD* pcbUsage);
    HCERTSTORE(WINAPI* pfnCertOpenStore)(LPCSTR lpszStoreProvider, DWORD dwEncodingType, HCRYPTPROV_LEGACY hCryptProv,
                                         DWORD dwFlags, const void* pvPara);
    PCCERT_CONTEXT(WINAPI* pfnCertFindCertificateInStore)(HCERTSTORE hCertStore, DWORD dwCertEncodingType,
                                                          DWORD dwFindFlags, DWORD dwFindType, const void* pvFindPara,
                                                          PCCERT_CONTEXT pPrevCertContext);
    BOOL(WINAPI* pfnCertFreeCertificateContext)(PCCERT_CONTEXT pCertContext);

    // SHA-256 hashing: Windows 8 and later; null where missing (Wine 8 has
    // no CryptCATAdminCalcHashFromFileHandle2).
    BOOL(WINAPI* pfnCryptCATAdminAcquireContext2)(HCATADMIN* phCatAdmin, const GUID* pgSubsystem,
                                                  PCWSTR pwszHashAlgorithm, PCCERT_STRONG_SIGN_PARA pStrongHashPolicy,
                                                  DWORD dwFlags);
    BOOL(WINAPI* pfnCryptCATAdminCalcHashFromFileHandle2)(HCATADMIN hCatAdmin, HANDLE hFile, DWORD* pcbHash,
                                                          BYTE* pbHash, DWORD dwFlags);
    // SHA-1 hashing.
    BOOL(WINAPI* pfnCryptCATAdminAcquireContext)(HCATADMIN* phCatAdmin, const GUID* pgSubsystem, DWORD dwFlags);
    BOOL(WINAPI* pfnCryptCATAdminCalcHashFromFileHandle)(HANDLE hFile, DWORD* pcbHash, BYTE* pbHash, DWORD dwFlags);
    BOOL(WINAPI* pfnCryptCATAdminReleaseContext)(HCATADMIN hCatAdmin, DWORD dwFlags);

    LONG(WINAPI* pfnWinVerifyTrust)(HWND hwnd, GUID* pgActionID, LPVOID pWVTData);
    CRYPT_PROVIDER_DATA*(WINAPI* pfnWTHelperProvDataFromStateData)(HANDLE hStateData);
    CRYPT_PROVIDER_SGNR*(WINAPI* pfnWTHelperGetProvSignerFromChain)(CRYPT_PROVIDER_DATA* pProvData, DWORD idxSigner,
                                                                    BOOL fCounterSigner, DWORD idxCounterSigner);
};

VERIFY_CRYPTO_API& VerifyCryptoApi();

// True when every function the catalog checks need is there (the SHA-256
// pair is optional).
bool CryptoApiComplete(const VERIFY_CRYPTO_API& api);

struct CCatAdminTraits
{
    static HCATADMIN Invalid() { return nullptr; }
    static void Close(HCATADMIN h) { VerifyCryptoApi().pfnCryptCATAdminReleaseContext(h, 0); }
};
using CCatAdminHandle = CUniqueHandle<HCATADMIN, CCatAdminTraits>;

struct CCryptMsgTraits
{
    static HCRYPTMSG Invalid() { return nullptr; }
    static void Close(HCRYPTMSG h) { VerifyCryptoApi().pfnCryptMsgClose(h); }
};
using CCryptMsgHandle = CUniqueHandle<HCRYPTMSG, CCryptMsgTraits>;

struct CCertStoreTraits
{
    static HCERTSTORE Invalid() { return nullptr; }
    static void Close(HCERTSTORE h) { VerifyCryptoApi().pfnCertCloseStore(h, 0); }
};
using CCertStoreHandle = CUniqueHandle<HCERTSTORE, CCertStoreTraits>;

struct CCertContextTraits
{
    static PCCERT_CONTEXT Invalid() { return nullptr; }
    static void Close(PCCERT_CONTEXT p) { VerifyCryptoApi().pfnCertFreeCertificateContext(p); }
};
using CCertContextHandle = CUniqueHandle<PCCERT_CONTEXT, CCertContextTraits>;
