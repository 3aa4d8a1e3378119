#include "TestTrust.h"

#include <windows.h>
#include <wincrypt.h>

#include "TestFiles.h"

namespace {

const LPCWSTR g_rgszStores[] = {L"Root", L"TrustedPublisher"};

HCERTSTORE OpenMachineStore(LPCWSTR pszStore)
{
    return CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, pszStore);
}

bool AddToStore(LPCWSTR pszStore, const std::wstring& strCerPath)
{
    const std::string strDer = ReadFileBytes(strCerPath);
    if (strDer.empty())
        return false;
    HCERTSTORE hStore = OpenMachineStore(pszStore);
    const bool bAdded = hStore && CertAddEncodedCertificateToStore(hStore, X509_ASN_ENCODING,
                                                                   reinterpret_cast<const BYTE*>(strDer.data()),
                                                                   static_cast<DWORD>(strDer.size()),
                                                                   CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    if (hStore)
        CertCloseStore(hStore, 0);
    return bAdded;
}

} // namespace

bool TrustTestRoot(const std::wstring& strCerPath)
{
    return AddToStore(L"Root", strCerPath);
}

bool TrustPublisher(const std::wstring& strCerPath)
{
    return AddToStore(L"TrustedPublisher", strCerPath);
}

bool UntrustCertificate(const std::wstring& strCerPath)
{
    const std::string strDer = ReadFileBytes(strCerPath);
    PCCERT_CONTEXT pCert = CertCreateCertificateContext(
        X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(strDer.data()), static_cast<DWORD>(strDer.size()));
    if (!pCert)
        return false;
    bool bAll = true;
    for (LPCWSTR pszStore : g_rgszStores) {
        HCERTSTORE hStore = OpenMachineStore(pszStore);
        if (!hStore) {
            bAll = false;
            continue;
        }
        // Every copy goes: an earlier run may have added it more than once.
        while (PCCERT_CONTEXT pFound = CertFindCertificateInStore(hStore, X509_ASN_ENCODING, 0,
                                                                  CERT_FIND_EXISTING, pCert, nullptr)) {
            if (!CertDeleteCertificateFromStore(pFound)) {
                bAll = false;
                break;
            }
        }
        CertCloseStore(hStore, 0);
    }
    CertFreeCertificateContext(pCert);
    return bAll;
}
