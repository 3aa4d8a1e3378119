#include "VerifyRun.h"

#include <sstream>

#include "support/TestFiles.h"
#include "support/TestTrust.h"

namespace {

std::wstring Packages()
{
    return ModuleDir() + L"\\verify-packages\\";
}

} // namespace

bool CopyPackage(const std::wstring& strFrom, const std::wstring& strTo)
{
    CreateDirectoryW(strTo.c_str(), nullptr);
    for (LPCWSTR pszName : { L"\\pkg.inf", L"\\pkg.sys", L"\\pkg.cat" }) {
        if (!CopyFileW((Packages() + strFrom + pszName).c_str(), (strTo + pszName).c_str(), FALSE))
            return false;
    }
    return true;
}

bool SetTestTrust()
{
    return TrustTestRoot(Packages() + L"test-root.cer") && TrustPublisher(Packages() + L"test-root-signer.cer") &&
           UntrustCertificate(Packages() + L"other-root.cer") &&
           UntrustCertificate(Packages() + L"other-root-signer.cer");
}

std::vector<VERIFIED_PACKAGE> VerifiedPackages(const CProgramRun& run, const std::wstring& strLog,
                                               std::string* pstrEnd)
{
    std::vector<VERIFIED_PACKAGE> packages(1);
    std::istringstream lines(ReadFileBytes(run.File(strLog)));
    for (std::string strLine; std::getline(lines, strLine);) {
        // Past the time stamp (30 characters), without the CR.
        strLine = strLine.size() > 31 ? strLine.substr(30, strLine.size() - 31) : "";
        if (strLine.rfind("event error ", 0) == 0) {
            packages.back().errors.push_back(strLine.substr(12));
        } else if (strLine.rfind("event warning ", 0) == 0) {
            packages.back().warnings.push_back(strLine.substr(14));
        } else if (strLine.rfind("event info ", 0) == 0) {
            packages.back().infos.push_back(strLine.substr(11));
        } else if (strLine.rfind("verify ", 0) == 0) {
            packages.back().strVerifyLine = strLine;
            packages.emplace_back();
        }
        if (pstrEnd)
            *pstrEnd = strLine;
    }
    packages.pop_back();
    return packages;
}
