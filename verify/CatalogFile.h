#pragma once

#include <windows.h>

// Reading a catalog file through the system's catalog functions.

// True when the file is a signed message whose content is a certificate
// trust list. Only such a file is safe to hand to the catalog functions:
// Wine's open one of any other content and then crash listing its members.
bool IsSignedTrustList(LPCWSTR pszCatalog);

typedef void (*PFN_CATALOG_TAG)(LPCWSTR pszTag, void* pvContext);

// Calls pfnTag with each member's tag (the upper-case hex of the member
// file's hash). False, with the last error set, when the catalog cannot be
// opened; call it only for a file IsSignedTrustList accepts.
bool EnumerateCatalogTags(LPCWSTR pszCatalog, PFN_CATALOG_TAG pfnTag, void* pvContext);
