#pragma once

#include <string>

// The trust state of the test prefix: which test roots the LocalMachine Root
// store holds, and which publishers TrustedPublisher holds. The stores
// outlive the process, so each test sets the state it needs before it starts.

// Adds the DER certificate at strCerPath to Root (replacing a copy).
bool TrustTestRoot(const std::wstring& strCerPath);
// Adds the DER certificate at strCerPath, a publisher's own, to
// TrustedPublisher (replacing a copy).
bool TrustPublisher(const std::wstring& strCerPath);
// Removes the certificate from both stores; true when neither holds it.
bool UntrustCertificate(const std::wstring& strCerPath);
