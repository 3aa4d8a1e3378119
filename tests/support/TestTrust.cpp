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

// Wine 8 keeps a deletion from a LocalMachine system store in memory only:
// the certificate's key under the store's registry key goes as well, named
// by its SHA-1 thumbprint, as Windows and Wine both store it.
static bool DeleteStoredCertificate(LPCWSTR pszStore, PCCERT_CONTEXT pCert)
{
    BYTE rgbHash[20];
    DWORD cbHash = sizeof(rgbHash);
    if (!CertGetCertificateContextProperty(pCert, CERT_SHA1_HASH_PROP_ID, rgbHash, &cbHash) || cbHash != 20)
        return false;
    std::wstring strKey = std::wstring(L"Software\\Microsoft\\SystemCertificates\\") + pszStore + L"\\Certificates\\";
    for (BYTE b : rgbHash) {
        const wchar_t szHex[] = L"0123456789ABCDEF";
        strKey += szHex[b >> 4];
        strKey += szHex[b & 0xF];
    }
    const LSTATUS status = RegDeleteTreeW(HKEY_LOCAL_MACHINE, strKey.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
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
        bAll = DeleteStoredCertificate(pszStore, pCert) && bAll;
    }
    CertFreeCertificateContext(pCert);
    return bAll;
}
