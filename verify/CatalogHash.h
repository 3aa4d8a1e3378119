#pragma once

#include <windows.h>

#include "verify/CryptoApi.h"

// A file's hashes as a catalog's member tags: upper-case hex, empty where
// that hash could not be made.
struct CATALOG_FILE_TAGS
{
    WCHAR szSha256[65];
    WCHAR szSha1[41];
};

// Hashes files the way the catalog functions do (a PE image by its image
// hash, any other file whole): SHA-256 where the system offers it, and SHA-1,
// which older catalogs use and which is all Wine 8 has.
class CCatalogHasher
{
public:
    CCatalogHasher();
    CCatalogHasher(const CCatalogHasher&) = delete;
    CCatalogHasher& operator=(const CCatalogHasher&) = delete;

    // 0 when at least one hash was made, else the code of the failure.
    DWORD Hash(LPCWSTR pszFile, CATALOG_FILE_TAGS* pTags) const;

private:
    CCatAdminHandle m_hSha256;
    CCatAdminHandle m_hSha1;
    DWORD m_dwAcquireError = ERROR_SUCCESS;
};
