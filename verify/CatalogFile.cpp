#include "verify/CatalogFile.h"

#include <cstring>

#include "verify/CryptoApi.h"

bool IsSignedTrustList(LPCWSTR pszCatalog)
{
    const VERIFY_CRYPTO_API& api = VerifyCryptoApi();
    DWORD dwEncoding = 0;
    DWORD dwContentType = 0;
    DWORD dwFormat = 0;
    HCERTSTORE hStore = nullptr;
    HCRYPTMSG hMsg = nullptr;
    if (!api.pfnCryptQueryObject(CERT_QUERY_OBJECT_FILE, pszCatalog, CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED,
                                 CERT_QUERY_FORMAT_FLAG_BINARY, 0, &dwEncoding, &dwContentType, &dwFormat, &hStore,
                                 &hMsg, nullptr))
        return false;
    const CCertStoreHandle store(hStore);
    const CCryptMsgHandle msg(hMsg);
    // An object identifier in dotted form; a longer one is not szOID_CTL.
    char szInnerType[64];
    DWORD cbInnerType = sizeof(szInnerType);
    if (!api.pfnCryptMsgGetParam(hMsg, CMSG_INNER_CONTENT_TYPE_PARAM, 0, szInnerType, &cbInnerType) ||
        cbInnerType == 0 || cbInnerType > sizeof(szInnerType))
        return false;
    szInnerType[cbInnerType - 1] = '\0';
    return strcmp(szInnerType, szOID_CTL) == 0;
}

bool EnumerateCatalogTags(LPCWSTR pszCatalog, PFN_CATALOG_TAG pfnTag, void* pvContext)
{
    const VERIFY_CRYPTO_API& api = VerifyCryptoApi();
    // CryptCATOpen's parameter is not const, but it only reads the name.
    const CCatalogHandle catalog(
        api.pfnCryptCATOpen(const_cast<LPWSTR>(pszCatalog), CRYPTCAT_OPEN_EXISTING, 0, 0, 0));
    if (!catalog.IsValid())
        return false;
    CRYPTCATMEMBER* pMember = nullptr;
    while ((pMember = api.pfnCryptCATEnumerateMember(catalog.Get(), pMember)) != nullptr) {
        if (pMember->pwszReferenceTag)
            pfnTag(pMember->pwszReferenceTag, pvContext);
    }
    return true;
}
