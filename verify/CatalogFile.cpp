#include "verify/CatalogFile.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "verify/CryptoApi.h"

namespace {

const DWORD c_dwEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;

// The signed message's content when it is a trust list, in a block of the
// caller's; null for any other file.
void* ReadTrustListContent(LPCWSTR pszCatalog, DWORD* pcbContent)
{
    const VERIFY_CRYPTO_API& api = VerifyCryptoApi();
    DWORD dwEncoding = 0;
    DWORD dwContentType = 0;
    DWORD dwFormat = 0;
    HCERTSTORE hStore = nullptr;
    HCRYPTMSG hMsg = nullptr;
    // An empty file is no signed message. Wine 8's CryptQueryObject reads
    // it into a blob whose data pointer it never sets, then frees that
    // pointer: whatever the stack held.
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    if (!GetFileAttributesExW(pszCatalog, GetFileExInfoStandard, &attributes) ||
        (attributes.nFileSizeLow == 0 && attributes.nFileSizeHigh == 0))
        return nullptr;
    if (!api.pfnCryptQueryObject(CERT_QUERY_OBJECT_FILE, pszCatalog, CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED,
                                 CERT_QUERY_FORMAT_FLAG_BINARY, 0, &dwEncoding, &dwContentType, &dwFormat, &hStore,
                                 &hMsg, nullptr))
        return nullptr;
    const CCertStoreHandle store(hStore);
    const CCryptMsgHandle msg(hMsg);
    // An object identifier in dotted form; a longer one is not szOID_CTL.
    char szInnerType[64];
    DWORD cbInnerType = sizeof(szInnerType);
    if (!api.pfnCryptMsgGetParam(hMsg, CMSG_INNER_CONTENT_TYPE_PARAM, 0, szInnerType, &cbInnerType) ||
        cbInnerType == 0 || cbInnerType > sizeof(szInnerType))
        return nullptr;
    szInnerType[cbInnerType - 1] = '\0';
    DWORD cbContent = 0;
    if (strcmp(szInnerType, szOID_CTL) != 0 ||
        !api.pfnCryptMsgGetParam(hMsg, CMSG_CONTENT_PARAM, 0, nullptr, &cbContent) || cbContent == 0)
        return nullptr;
    CHeapBlock content(malloc(cbContent));
    if (!content.IsValid() || !api.pfnCryptMsgGetParam(hMsg, CMSG_CONTENT_PARAM, 0, content.Get(), &cbContent))
        return nullptr;
    *pcbContent = cbContent;
    return content.Detach();
}

LPVOID WINAPI AllocDecoded(size_t cb)
{
    return malloc(cb);
}

VOID WINAPI FreeDecoded(LPVOID pv)
{
    free(pv);
}

} // namespace

bool CCatalogMembers::Read(LPCWSTR pszCatalog)
{
    m_ctl.Reset(nullptr);
    DWORD cbContent = 0;
    const CHeapBlock content(ReadTrustListContent(pszCatalog, &cbContent));
    if (!content.IsValid())
        return false;
    // Decoded into our own heap, so that the one holder frees it.
    CRYPT_DECODE_PARA para = {sizeof(para), AllocDecoded, FreeDecoded};
    void* pvCtl = nullptr;
    DWORD cbCtl = 0;
    if (!VerifyCryptoApi().pfnCryptDecodeObjectEx(c_dwEncoding, PKCS_CTL, static_cast<const BYTE*>(content.Get()),
                                                  cbContent, CRYPT_DECODE_ALLOC_FLAG, &para, &pvCtl, &cbCtl))
        return false;
    m_ctl.Reset(pvCtl);
    return true;
}

// The identifier is UTF-16 text, usually with its terminator; anything
// longer than a tag can be is no tag.
bool CCatalogMembers::Tag(DWORD iEntry, LPWSTR pszTag) const
{
    const CTL_INFO* pCtl = static_cast<const CTL_INFO*>(m_ctl.Get());
    const CRYPT_DATA_BLOB& id = pCtl->rgCTLEntry[iEntry].SubjectIdentifier;
    const size_t cchId = id.cbData / sizeof(WCHAR);
    if (!id.pbData || cchId == 0 || cchId > c_cchMaxMemberTag)
        return false;
    memcpy(pszTag, id.pbData, cchId * sizeof(WCHAR));
    pszTag[cchId] = L'\0';
    return pszTag[0] != L'\0';
}

bool CCatalogMembers::Lists(LPCWSTR pszTag) const
{
    const CTL_INFO* pCtl = static_cast<const CTL_INFO*>(m_ctl.Get());
    WCHAR szTag[c_cchMaxMemberTag + 1];
    for (DWORD i = 0; pCtl && i < pCtl->cCTLEntry; ++i) {
        if (Tag(i, szTag) && _wcsicmp(szTag, pszTag) == 0)
            return true;
    }
    return false;
}

bool CCatalogMembers::HasTagsOfLength(size_t cchTag) const
{
    const CTL_INFO* pCtl = static_cast<const CTL_INFO*>(m_ctl.Get());
    WCHAR szTag[c_cchMaxMemberTag + 1];
    for (DWORD i = 0; pCtl && i < pCtl->cCTLEntry; ++i) {
        if (Tag(i, szTag) && wcslen(szTag) == cchTag)
            return true;
    }
    return false;
}
