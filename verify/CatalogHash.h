#pragma once

#include <windows.h>

#include "verify/CryptoApi.h"

// The hashes a catalog names its members by, and the length of each one's tag.
enum CATALOG_HASH
{
    catalogHashSha256,
    catalogHashSha1,
};
const size_t c_cchSha256Tag = 64;
const size_t c_cchSha1Tag = 40;

// Hashes files the way the catalog functions do (a PE image by its image
// hash, any other file whole): SHA-256 where the system offers it, and SHA-1,
// which older catalogs use and which is all Wine 8 has.
class CCatalogHasher
{
public:
    CCatalogHasher();
    CCatalogHasher(const CCatalogHasher&) = delete;
    CCatalogHasher& operator=(const CCatalogHasher&) = delete;

    // Writes the file's hash as a member tag (upper-case hex) into pszTag
    // (cchTag units), reading the file from its start. 0, or the code of the
    // failure (ERROR_NOT_SUPPORTED where the system lacks the hash).
    DWORD Hash(HANDLE hFile, CATALOG_HASH eHash, LPWSTR pszTag, size_t cchTag) const;

private:
    CCatAdminHandle m_hSha256;
    CCatAdminHandle m_hSha1;
    DWORD m_dwAcquireError = ERROR_SUCCESS;
};
