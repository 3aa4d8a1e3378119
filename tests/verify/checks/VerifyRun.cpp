#include "VerifyRun.h"

#include <regex>

#include "support/TestFiles.h"
#include "support/TestTrust.h"

std::wstring VerifyPackages()
{
    return ModuleDir() + L"\\verify-packages";
}

bool CopyPackage(const std::wstring& strFrom, const std::wstring& strTo)
{
    CreateDirectoryW(strTo.c_str(), nullptr);
    for (LPCWSTR pszName : { L"pkg.inf", L"pkg.sys", L"pkg.cat" }) {
        if (!CopyFileW((VerifyPackages() + L"\\" + strFrom + L"\\" + pszName).c_str(),
                       (strTo + L"\\" + pszName).c_str(), FALSE))
            return false;
    }
    return true;
}

bool SetTestTrust()
{
    return TrustTestRoot(VerifyPackages() + L"\\test-root.cer") &&
           UntrustCertificate(VerifyPackages() + L"\\other-root.cer");
}

std::vector<std::string> LogLines(const CProgramRun& run, const std::wstring& strLog)
{
    static const std::regex stamp("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}[+-]\\d\\d:\\d\\d ");
    const std::string strBytes = ReadFileBytes(run.File(strLog));
    std::vector<std::string> lines;
    for (size_t nAt = 0; nAt < strBytes.size();) {
        const size_t nEnd = strBytes.find("\r\n", nAt);
        const std::string strLine = strBytes.substr(nAt, nEnd == std::string::npos ? std::string::npos : nEnd - nAt);
        nAt = nEnd == std::string::npos ? strBytes.size() : nEnd + 2;
        const bool bStamped = strLine.size() >= 30 && std::regex_match(strLine.substr(0, 30), stamp);
        lines.push_back(bStamped ? strLine.substr(30) : "<no stamp> " + strLine);
    }
    return lines;
}

std::vector<VERIFIED_PACKAGE> VerifiedPackages(const std::vector<std::string>& lines)
{
    std::vector<VERIFIED_PACKAGE> packages;
    VERIFIED_PACKAGE current;
    for (const std::string& strLine : lines) {
        if (strLine.rfind("event error ", 0) == 0) {
            current.errors.push_back(strLine.substr(12));
        } else if (strLine.rfind("event info ", 0) == 0) {
            current.infos.push_back(strLine.substr(11));
        } else if (strLine.rfind("verify ", 0) == 0) {
            current.strVerifyLine = strLine;
            packages.push_back(current);
            current = VERIFIED_PACKAGE();
        }
    }
    return packages;
}
