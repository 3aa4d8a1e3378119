#pragma once

#include <windows.h>

#include "verify/VerifyReport.h"

// Checks that the catalog's signature is trusted on this machine under the
// driver-signing policy, with no UI and no revocation check over the
// network, and that the signer's chain ends in a trusted root. A failure is
// one problem with the code, the signer's name where there is one, and what
// it means for a run.
void CheckCatalogTrust(LPCWSTR pszCatalog, CVerifyReport* pReport);
