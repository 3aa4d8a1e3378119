#pragma once

#include <windows.h>

#include "verify/VerifyReport.h"

// Checks that pszCatalog is a catalog at all (a signed message whose content
// is a certificate trust list), then that it lists the hash of every file of
// ppszFiles (full paths: the INF and each file it copies), hashed the way the
// catalog hashes them. Reports TRUST_E_NOSIGNATURE for a catalog that is not
// one (and then checks no member) and for each file it does not list, naming
// the file. Returns false when the catalog is not one, so that the caller
// skips the signature check too.
bool CheckCatalogCoverage(LPCWSTR pszCatalog, const LPCWSTR* ppszFiles, size_t cFiles, CVerifyReport* pReport);
