#pragma once

#include <windows.h>

#include "verify/VerifyReport.h"

// Judges the catalog's signature as Windows does when it stages a package,
// with no UI and no revocation check over the network:
// 1. the driver-signing policy (DRIVER_ACTION_VERIFY), which passes only
//    catalogs that Windows signed: their signer carries a Windows
//    hardware-signing usage (WHQL, attestation, in-box or EV WHQL). Such a
//    package passes, with an information line naming the signer;
// 2. otherwise the catalog's Authenticode signature (GENERIC_VERIFY_V2). A
//    chain that ends in a trusted root passes when the signer's own
//    certificate is in LocalMachine TrustedPublisher (an information line),
//    and fails with ERROR_AUTHENTICODE_TRUST_NOT_ESTABLISHED when it is not;
// 3. a chain that is not trusted fails with WinVerifyTrust's code.
// An untrusted root in the signer's chain fails in every step, whatever the
// policy answered. Returns true when Windows signed the catalog.
bool CheckCatalogTrust(LPCWSTR pszCatalog, CVerifyReport* pReport);
