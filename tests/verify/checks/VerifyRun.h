#pragma once

#include <string>
#include <vector>

#include "ProgramRun.h"

// Copies a signed test package built with the tests (good, untrusted,
// nox64: pkg.inf, pkg.sys, pkg.cat) to the folder strTo.
bool CopyPackage(const std::wstring& strFrom, const std::wstring& strTo);
// Trusts the test root (in Root) and its publisher (in TrustedPublisher), and
// neither the other root nor its publisher.
bool SetTestTrust();

// One package's part of a /v log: its events, then its verify line.
struct VERIFIED_PACKAGE
{
    std::vector<std::string> errors; // "0x<code>: <text>"
    std::vector<std::string> infos;
    std::vector<std::string> warnings;
    std::string strVerifyLine;
};
// The packages of the log strLog in the run's folder; pstrEnd gets its last line.
std::vector<VERIFIED_PACKAGE> VerifiedPackages(const CProgramRun& run, const std::wstring& strLog,
                                               std::string* pstrEnd = nullptr);
