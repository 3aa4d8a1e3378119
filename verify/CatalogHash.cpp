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

DWORD CCatalogHasher::Hash(HANDLE hFile, CATALOG_HASH eHash, LPWSTR pszTag, size_t cchTag) const
{
    pszTag[0] = L'\0';
    const CCatAdminHandle& hCatAdmin = eHash == catalogHashSha256 ? m_hSha256 : m_hSha1;
    if (!hCatAdmin.IsValid()) {
        if (eHash == catalogHashSha256)
            return ERROR_NOT_SUPPORTED;
        return m_dwAcquireError != ERROR_SUCCESS ? m_dwAcquireError : ERROR_GEN_FAILURE;
    }
    if (SetFilePointer(hFile, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
        return LastErrorOrFailure();
    const VERIFY_CRYPTO_API& api = VerifyCryptoApi();
    BYTE rgbHash[c_cbMaxHash];
    DWORD cbHash = sizeof(rgbHash);
    const BOOL bHashed = eHash == catalogHashSha256
                             ? api.pfnCryptCATAdminCalcHashFromFileHandle2(hCatAdmin.Get(), hFile, &cbHash, rgbHash, 0)
                             : api.pfnCryptCATAdminCalcHashFromFileHandle(hFile, &cbHash, rgbHash, 0);
    if (!bHashed)
        return LastErrorOrFailure();
    ToHexTag(rgbHash, cbHash, pszTag, cchTag);
    return pszTag[0] ? ERROR_SUCCESS : ERROR_INSUFFICIENT_BUFFER;
}
