#include "verify/CatalogTrust.h"

#include <cstdlib>
#include <cstring>

#include <softpub.h>

#include "verify/CryptoApi.h"

namespace {

// Longer signer names are cut; the name only tells a reader who signed.
const DWORD c_cchSignerName = 256;

const DWORD c_dwAuthenticodeTrustNotEstablished = 0xE0000242;

// The usages that only Windows' own hardware signing puts on a signer:
// WHQL, attestation, in-box (NT5) and EV WHQL.
const char* const c_rgpszWindowsSigningUsages[] = {
    "1.3.6.1.4.1.311.10.3.5",
    "1.3.6.1.4.1.311.10.3.5.1",
    "1.3.6.1.4.1.311.10.3.6",
    "1.3.6.1.4.1.311.10.3.39",
};

// One WinVerifyTrust verification of the catalog, its state kept open for
// the signer's certificate and chain until the object goes.
class CCatalogVerification
{
public:
    CCatalogVerification(LPCWSTR pszCatalog, const GUID& action);
    ~CCatalogVerification();
    CCatalogVerification(const CCatalogVerification&) = delete;
    CCatalogVerification& operator=(const CCatalogVerification&) = delete;

    LONG Result() const { return m_lResult; }
    // Null when the catalog has no signer.
    PCCERT_CONTEXT Signer() const { return m_pSigner; }
    LPCWSTR SignerName() const { return m_szSigner; }
    // Windows' policies never pass this; Wine 8's pass it under both actions.
    bool HasUntrustedRoot() const { return (m_dwChainStatus & CERT_TRUST_IS_UNTRUSTED_ROOT) != 0; }

private:
    void ReadSigner();

    WINTRUST_FILE_INFO m_fileInfo = {};
    WINTRUST_DATA m_trustData = {};
    GUID m_action;
    LONG m_lResult;
    PCCERT_CONTEXT m_pSigner = nullptr;
    DWORD m_dwChainStatus = CERT_TRUST_NO_ERROR;
    WCHAR m_szSigner[c_cchSignerName] = L"";
};

// INVALID_HANDLE_VALUE: there is no user to ask.
HWND NoUser()
{
    return static_cast<HWND>(INVALID_HANDLE_VALUE);
}

CCatalogVerification::CCatalogVerification(LPCWSTR pszCatalog, const GUID& action) : m_action(action)
{
    m_fileInfo.cbStruct = sizeof(m_fileInfo);
    m_fileInfo.pcwszFilePath = pszCatalog;
    m_trustData.cbStruct = sizeof(m_trustData);
    m_trustData.dwUIChoice = WTD_UI_NONE;
    m_trustData.fdwRevocationChecks = WTD_REVOKE_NONE;
    m_trustData.dwUnionChoice = WTD_CHOICE_FILE;
    m_trustData.pFile = &m_fileInfo;
    m_trustData.dwStateAction = WTD_STATEACTION_VERIFY;
    m_trustData.dwProvFlags = WTD_REVOCATION_CHECK_NONE | WTD_CACHE_ONLY_URL_RETRIEVAL;
    m_lResult = VerifyCryptoApi().pfnWinVerifyTrust(NoUser(), &m_action, &m_trustData);
    ReadSigner();
}

CCatalogVerification::~CCatalogVerification()
{
    m_trustData.dwStateAction = WTD_STATEACTION_CLOSE;
    VerifyCryptoApi().pfnWinVerifyTrust(NoUser(), &m_action, &m_trustData);
}

void CCatalogVerification::ReadSigner()
{
    const VERIFY_CRYPTO_API& api = VerifyCryptoApi();
    const HANDLE hState = m_trustData.hWVTStateData;
    CRYPT_PROVIDER_DATA* pProvData = hState ? api.pfnWTHelperProvDataFromStateData(hState) : nullptr;
    CRYPT_PROVIDER_SGNR* pSigner = pProvData ? api.pfnWTHelperGetProvSignerFromChain(pProvData, 0, FALSE, 0) : nullptr;
    if (!pSigner)
        return;
    if (pSigner->pChainContext)
        m_dwChainStatus = pSigner->pChainContext->TrustStatus.dwErrorStatus;
    if (pSigner->csCertChain > 0 && pSigner->pasCertChain && pSigner->pasCertChain[0].pCert) {
        m_pSigner = pSigner->pasCertChain[0].pCert;
        api.pfnCertGetNameStringW(m_pSigner, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, m_szSigner, c_cchSignerName);
    }
}

// The usages the signer's certificate itself names.
bool HasWindowsSigningUsage(PCCERT_CONTEXT pCert)
{
    const VERIFY_CRYPTO_API& api = VerifyCryptoApi();
    DWORD cbUsage = 0;
    if (!pCert || !api.pfnCertGetEnhancedKeyUsage(pCert, CERT_FIND_EXT_ONLY_ENHKEY_USAGE_FLAG, nullptr, &cbUsage) ||
        cbUsage == 0)
        return false;
    CHeapBlock block(malloc(cbUsage));
    PCERT_ENHKEY_USAGE pUsage = static_cast<PCERT_ENHKEY_USAGE>(block.Get());
    if (!pUsage || !api.pfnCertGetEnhancedKeyUsage(pCert, CERT_FIND_EXT_ONLY_ENHKEY_USAGE_FLAG, pUsage, &cbUsage))
        return false;
    for (DWORD i = 0; i < pUsage->cUsageIdentifier; ++i) {
        for (const char* pszWindows : c_rgpszWindowsSigningUsages) {
            if (pUsage->rgpszUsageIdentifier[i] && strcmp(pUsage->rgpszUsageIdentifier[i], pszWindows) == 0)
                return true;
        }
    }
    return false;
}

// The signer's certificate as the catalog's signed message carries it,
// without a verification: only a signer with a Windows usage can make the
// driver-signing policy's verdict count, so any other goes straight to the
// Authenticode step, as the policy would send it there.
bool SignerMayBeWindows(LPCWSTR pszCatalog)
{
    const VERIFY_CRYPTO_API& api = VerifyCryptoApi();
    DWORD dwEncoding = 0;
    HCERTSTORE hStore = nullptr;
    HCRYPTMSG hMsg = nullptr;
    // The catalog was read as a trust list before, so it is not empty (see
    // CatalogFile.cpp).
    if (!api.pfnCryptQueryObject(CERT_QUERY_OBJECT_FILE, pszCatalog, CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED,
                                 CERT_QUERY_FORMAT_FLAG_BINARY, 0, &dwEncoding, nullptr, nullptr, &hStore, &hMsg,
                                 nullptr))
        return false;
    const CCertStoreHandle store(hStore);
    const CCryptMsgHandle msg(hMsg);
    DWORD cbInfo = 0;
    if (!api.pfnCryptMsgGetParam(hMsg, CMSG_SIGNER_CERT_INFO_PARAM, 0, nullptr, &cbInfo) || cbInfo == 0)
        return false;
    CHeapBlock info(malloc(cbInfo));
    if (!info.IsValid() || !api.pfnCryptMsgGetParam(hMsg, CMSG_SIGNER_CERT_INFO_PARAM, 0, info.Get(), &cbInfo))
        return false;
    const CCertContextHandle signer(api.pfnCertFindCertificateInStore(
        hStore, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, CERT_FIND_SUBJECT_CERT, info.Get(), nullptr));
    return signer.IsValid() && HasWindowsSigningUsage(signer.Get());
}

// LocalMachine TrustedPublisher, where an administrator puts a publisher
// whose packages are to install without asking. Opened once: a run judges
// its packages against one view of the machine. Only the operation's thread
// checks packages.
HCERTSTORE g_hTrustedPublishers = nullptr;
bool g_bTrustedPublishersOpened = false;

bool IsTrustedPublisher(PCCERT_CONTEXT pCert)
{
    const VERIFY_CRYPTO_API& api = VerifyCryptoApi();
    if (!g_bTrustedPublishersOpened) {
        g_bTrustedPublishersOpened = true;
        // Kept for the rest of the process.
        g_hTrustedPublishers = api.pfnCertOpenStore(
            CERT_STORE_PROV_SYSTEM_W, 0, 0,
            CERT_SYSTEM_STORE_LOCAL_MACHINE | CERT_STORE_OPEN_EXISTING_FLAG | CERT_STORE_READONLY_FLAG,
            L"TrustedPublisher");
    }
    if (!g_hTrustedPublishers)
        return false;
    const CCertContextHandle found(api.pfnCertFindCertificateInStore(
        g_hTrustedPublishers, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, CERT_FIND_EXISTING, pCert, nullptr));
    return found.IsValid();
}

bool IsSignedByWindows(LPCWSTR pszCatalog, CVerifyReport* pReport)
{
    if (!SignerMayBeWindows(pszCatalog))
        return false;
    GUID driverAction = DRIVER_ACTION_VERIFY;
    const CCatalogVerification policy(pszCatalog, driverAction);
    if (policy.Result() != ERROR_SUCCESS || policy.HasUntrustedRoot() || !HasWindowsSigningUsage(policy.Signer()))
        return false;
    pReport->Info(L"\"%ls\" is signed by Windows (%ls): the driver-signing policy passes it", pszCatalog,
                  policy.SignerName());
    return true;
}

void CheckAuthenticode(LPCWSTR pszCatalog, CVerifyReport* pReport)
{
    GUID genericAction = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    const CCatalogVerification authenticode(pszCatalog, genericAction);
    // Other chain errors that the policy accepted (an expired signer with a
    // valid time stamp, revocation unknown offline) stay accepted.
    LONG lResult = authenticode.Result();
    if (lResult == ERROR_SUCCESS && authenticode.HasUntrustedRoot())
        lResult = CERT_E_UNTRUSTEDROOT;
    LPCWSTR pszSigner = authenticode.SignerName()[0] ? authenticode.SignerName() : L"an unnamed signer";
    if (lResult != ERROR_SUCCESS) {
        if (authenticode.Signer())
            pReport->Problem(static_cast<DWORD>(lResult),
                             L"\"%ls\" is signed by %ls, but that signature is not trusted on this machine: the package "
                             L"does not install",
                             pszCatalog, pszSigner);
        else
            pReport->Problem(static_cast<DWORD>(lResult),
                             L"\"%ls\" has no valid signature: the package does not install", pszCatalog);
        return;
    }
    if (authenticode.Signer() && IsTrustedPublisher(authenticode.Signer())) {
        pReport->Info(L"\"%ls\" is signed by %ls, a publisher trusted on this machine (TrustedPublisher): the package "
                      L"installs quietly",
                      pszCatalog, pszSigner);
        return;
    }
    pReport->Problem(c_dwAuthenticodeTrustNotEstablished,
                     L"\"%ls\" is signed by %ls, whose certificate is not in TrustedPublisher on this machine: a quiet "
                     L"install fails, an interactive one asks whether to trust the publisher",
                     pszCatalog, pszSigner);
}

} // namespace

bool CheckCatalogTrust(LPCWSTR pszCatalog, CVerifyReport* pReport)
{
    if (!CryptoApiComplete(VerifyCryptoApi())) {
        pReport->Problem(ERROR_PROC_NOT_FOUND,
                         L"Cannot check the signature of \"%ls\": the system lacks the signature functions", pszCatalog);
        return false;
    }
    if (IsSignedByWindows(pszCatalog, pReport))
        return true;
    CheckAuthenticode(pszCatalog, pReport);
    return false;
}
