#include "verify/CatalogHash.h"

#include <bcrypt.h>
#include <softpub.h>

#include "platform/LastError.h"

namespace {

// The longest hash either algorithm gives, with room to spare.
const DWORD c_cbMaxHash = 64;

// Writes cbHash bytes as upper-case hex into pszHex (cchHex units); empty
// when they do not fit.
void ToHexTag(const BYTE* pbHash, DWORD cbHash, LPWSTR pszHex, size_t cchHex)
{
    static const WCHAR c_szDigits[] = L"0123456789ABCDEF";
    pszHex[0] = L'\0';
    if (static_cast<size_t>(cbHash) * 2 + 1 > cchHex)
        return;
    for (DWORD i = 0; i < cbHash; ++i) {
        pszHex[i * 2] = c_szDigits[pbHash[i] >> 4];
        pszHex[i * 2 + 1] = c_szDigits[pbHash[i] & 0xF];
    }
    pszHex[cbHash * 2] = L'\0';
}

} // namespace

CCatalogHasher::CCatalogHasher()
{
    const VERIFY_CRYPTO_API& api = VerifyCryptoApi();
    GUID driverAction = DRIVER_ACTION_VERIFY;
    HCATADMIN hCatAdmin = nullptr;
    // Wine 8 exports CryptCATAdminAcquireContext2 as a stub that fails: the
    // SHA-1 context below then carries the check alone.
    if (api.pfnCryptCATAdminAcquireContext2 && api.pfnCryptCATAdminCalcHashFromFileHandle2 &&
        api.pfnCryptCATAdminAcquireContext2(&hCatAdmin, &driverAction, BCRYPT_SHA256_ALGORITHM, nullptr, 0))
        m_hSha256.Reset(hCatAdmin);
    hCatAdmin = nullptr;
    if (api.pfnCryptCATAdminAcquireContext(&hCatAdmin, &driverAction, 0))
        m_hSha1.Reset(hCatAdmin);
    else
        m_dwAcquireError = LastErrorOrFailure();
}

DWORD CCatalogHasher::Hash(LPCWSTR pszFile, CATALOG_FILE_TAGS* pTags) const
{
    pTags->szSha256[0] = L'\0';
    pTags->szSha1[0] = L'\0';
    if (!m_hSha256.IsValid() && !m_hSha1.IsValid())
        return m_dwAcquireError != ERROR_SUCCESS ? m_dwAcquireError : ERROR_GEN_FAILURE;
    const CFileHandle file(CreateFileW(pszFile, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
        return LastErrorOrFailure();
    const VERIFY_CRYPTO_API& api = VerifyCryptoApi();
    DWORD dwError = ERROR_SUCCESS;
    BYTE rgbHash[c_cbMaxHash];
    DWORD cbHash = sizeof(rgbHash);
    if (m_hSha256.IsValid()) {
        if (api.pfnCryptCATAdminCalcHashFromFileHandle2(m_hSha256.Get(), file.Get(), &cbHash, rgbHash, 0))
            ToHexTag(rgbHash, cbHash, pTags->szSha256, ARRAYSIZE(pTags->szSha256));
        else
            dwError = LastErrorOrFailure();
    }
    if (m_hSha1.IsValid()) {
        // Each hash reads the file from its start.
        SetFilePointer(file.Get(), 0, nullptr, FILE_BEGIN);
        cbHash = sizeof(rgbHash);
        if (api.pfnCryptCATAdminCalcHashFromFileHandle(file.Get(), &cbHash, rgbHash, 0))
            ToHexTag(rgbHash, cbHash, pTags->szSha1, ARRAYSIZE(pTags->szSha1));
        else
            dwError = LastErrorOrFailure();
    }
    return pTags->szSha256[0] || pTags->szSha1[0] ? ERROR_SUCCESS : dwError;
}
