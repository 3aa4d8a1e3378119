#include "verify/CatalogTrust.h"

#include <softpub.h>

#include "verify/CryptoApi.h"

namespace {

// Longer signer names are cut; the name only tells a reader who signed.
const DWORD c_cchSignerName = 256;

// What the chain's status says, as the code WinVerifyTrust would give. No
// revocation is checked, so the revocation flags say nothing.
HRESULT ChainStatusCode(DWORD dwErrorStatus)
{
    dwErrorStatus &= ~(CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION);
    if (dwErrorStatus == CERT_TRUST_NO_ERROR)
        return S_OK;
    if (dwErrorStatus & CERT_TRUST_IS_UNTRUSTED_ROOT)
        return CERT_E_UNTRUSTEDROOT;
    if (dwErrorStatus & CERT_TRUST_IS_NOT_TIME_VALID)
        return CERT_E_EXPIRED;
    if (dwErrorStatus & CERT_TRUST_IS_REVOKED)
        return CERT_E_REVOKED;
    if (dwErrorStatus & CERT_TRUST_IS_PARTIAL_CHAIN)
        return CERT_E_CHAINING;
    if (dwErrorStatus & CERT_TRUST_IS_NOT_VALID_FOR_USAGE)
        return CERT_E_WRONG_USAGE;
    if (dwErrorStatus & CERT_TRUST_IS_NOT_SIGNATURE_VALID)
        return TRUST_E_CERT_SIGNATURE;
    return TRUST_E_FAIL;
}

// The name of the catalog's signer and the status of the chain the call
// built. Wine's final policy step passes any chain; its status does not lie.
void ReadSigner(HANDLE hStateData, LPWSTR pszSigner, DWORD* pdwChainStatus)
{
    const VERIFY_CRYPTO_API& api = VerifyCryptoApi();
    pszSigner[0] = L'\0';
    *pdwChainStatus = CERT_TRUST_NO_ERROR;
    CRYPT_PROVIDER_DATA* pProvData = hStateData ? api.pfnWTHelperProvDataFromStateData(hStateData) : nullptr;
    CRYPT_PROVIDER_SGNR* pSigner = pProvData ? api.pfnWTHelperGetProvSignerFromChain(pProvData, 0, FALSE, 0) : nullptr;
    if (!pSigner)
        return;
    if (pSigner->pChainContext)
        *pdwChainStatus = pSigner->pChainContext->TrustStatus.dwErrorStatus;
    if (pSigner->csCertChain > 0 && pSigner->pasCertChain && pSigner->pasCertChain[0].pCert)
        api.pfnCertGetNameStringW(pSigner->pasCertChain[0].pCert, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, pszSigner,
                                  c_cchSignerName);
}

} // namespace

void CheckCatalogTrust(LPCWSTR pszCatalog, CVerifyReport* pReport)
{
    const VERIFY_CRYPTO_API& api = VerifyCryptoApi();
    if (!CryptoApiComplete(api)) {
        pReport->Problem(ERROR_PROC_NOT_FOUND,
                         L"Cannot check the signature of \"%ls\": the system lacks the signature functions", pszCatalog);
        return;
    }
    WINTRUST_FILE_INFO fileInfo = {};
    fileInfo.cbStruct = sizeof(fileInfo);
    fileInfo.pcwszFilePath = pszCatalog;
    WINTRUST_DATA trustData = {};
    trustData.cbStruct = sizeof(trustData);
    trustData.dwUIChoice = WTD_UI_NONE;
    trustData.fdwRevocationChecks = WTD_REVOKE_NONE;
    trustData.dwUnionChoice = WTD_CHOICE_FILE;
    trustData.pFile = &fileInfo;
    trustData.dwStateAction = WTD_STATEACTION_VERIFY;
    trustData.dwProvFlags = WTD_REVOCATION_CHECK_NONE | WTD_CACHE_ONLY_URL_RETRIEVAL;
    GUID driverAction = DRIVER_ACTION_VERIFY;
    // INVALID_HANDLE_VALUE: there is no user to ask.
    const HWND hwndNoUser = static_cast<HWND>(INVALID_HANDLE_VALUE);
    const LONG lResult = api.pfnWinVerifyTrust(hwndNoUser, &driverAction, &trustData);

    WCHAR szSigner[c_cchSignerName];
    DWORD dwChainStatus = CERT_TRUST_NO_ERROR;
    ReadSigner(trustData.hWVTStateData, szSigner, &dwChainStatus);
    trustData.dwStateAction = WTD_STATEACTION_CLOSE;
    api.pfnWinVerifyTrust(hwndNoUser, &driverAction, &trustData);

    const HRESULT hrChain = ChainStatusCode(dwChainStatus);
    const HRESULT hrCode = hrChain == CERT_E_UNTRUSTEDROOT || lResult == ERROR_SUCCESS ? hrChain : lResult;
    if (hrCode == S_OK)
        return;
    if (szSigner[0])
        pReport->Problem(static_cast<DWORD>(hrCode),
                         L"\"%ls\" is signed by %ls, so a quiet install will fail: "
                         L"the publisher is not trusted on this machine",
                         pszCatalog, szSigner);
    else
        pReport->Problem(static_cast<DWORD>(hrCode),
                         L"\"%ls\" has no valid signature, so a quiet install will fail: "
                         L"the publisher is not trusted on this machine",
                         pszCatalog);
}
