#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ProgramRun.h"

// The signed test packages built with the tests, and variants of them made
// in a scratch folder, each with one thing broken.
std::wstring VerifyPackages();
// Copies the package folder strFrom (good, untrusted, nox64) to strTo.
bool CopyPackage(const std::wstring& strFrom, const std::wstring& strTo);
// Trusts the test root and not the other one.
bool SetTestTrust();

// The log's lines without their time stamps.
std::vector<std::string> LogLines(const CProgramRun& run, const std::wstring& strLog);

// One package's part of a /v log: its event lines and its verify line.
struct VERIFIED_PACKAGE
{
    std::vector<std::string> errors;
    std::vector<std::string> infos;
    std::string strVerifyLine;
};
std::vector<VERIFIED_PACKAGE> VerifiedPackages(const std::vector<std::string>& lines);
