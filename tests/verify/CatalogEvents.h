#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "support/TestFiles.h"
#include "verify/VerifyReport.h"

// The problems a check reported, and the signed test packages of the build.
struct CHECK_PROBLEM
{
    DWORD dwCode;
    std::string strText;
};

inline void __cdecl RecordProblem(DIFXAPI_LOG type, DWORD dwCode, PCWSTR pszText, PVOID pvContext)
{
    if (type == DIFXAPI_ERROR)
        static_cast<std::vector<CHECK_PROBLEM>*>(pvContext)->push_back({dwCode, Narrow(pszText)});
}

inline std::wstring VerifyPackages()
{
    return ModuleDir() + L"\\verify-packages";
}

// Copies pkg.inf, pkg.sys and pkg.cat of a test package into strTo.
inline bool CopyPackage(const std::wstring& strFolder, const std::wstring& strTo)
{
    for (LPCWSTR pszName : {L"\\pkg.inf", L"\\pkg.sys", L"\\pkg.cat"}) {
        if (!CopyFileW((VerifyPackages() + L"\\" + strFolder + pszName).c_str(), (strTo + pszName).c_str(), FALSE))
            return false;
    }
    return true;
}
