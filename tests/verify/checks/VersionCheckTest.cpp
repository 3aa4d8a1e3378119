// [Version] of real INF files read by SetupAPI: each gap is one problem.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "inf/InfFile.h"
#include "support/TestFiles.h"
#include "verify/VersionCheck.h"

namespace {

void Record(DIFXAPI_LOG eventType, DWORD dwCode, PCWSTR pszText, PVOID pvContext)
{
    if (eventType == DIFXAPI_ERROR)
        static_cast<std::vector<std::string>*>(pvContext)->push_back(std::to_string(dwCode) + " " + Narrow(pszText));
}

TEST(VersionCheck, EachGapIsOneProblem)
{
    const std::string strComplete = "Class=USBDevice\r\nClassGuid={88BAE032-5A81-49f0-BC3D-A4FF138216D6}\r\n"
                                    "Provider=%V%\r\nDriverVer=06/21/2026,2.0.0.1\r\n";
    const struct
    {
        std::string strSignature, strRest, strProblem;
    } cases[] = {
        { "\"$Windows NT$\"", strComplete, "" },
        { "$chicago$", strComplete, "" },
        { "\"$Windows 95$\"", strComplete, "3758096640 [Version] Signature \"$Windows 95$\" is neither" },
        { "$Windows NT$", strComplete.substr(16), "13 [Version] has no Class" },
        { "$Windows NT$", "Class=USBDevice\r\n" + strComplete.substr(strComplete.find("Provider")),
          "13 [Version] has no ClassGuid" },
        { "$Windows NT$", strComplete.substr(0, strComplete.find("Provider")) + "DriverVer=06/21/2026,2.0.0.1\r\n",
          "13 [Version] has no Provider" },
        { "$Windows NT$", strComplete.substr(0, strComplete.find("Driver")) + "DriverVer=02/30/2026,2.0\r\n",
          "13 [Version] DriverVer date \"02/30/2026\" is not a valid date" },
        { "$Windows NT$", strComplete.substr(0, strComplete.find("Driver")) + "DriverVer=06/21/2026,1.70000\r\n",
          "13 [Version] DriverVer version \"1.70000\" is not" },
    };
    CScratchDir dir;
    for (const auto& c : cases) {
        ASSERT_TRUE(WriteFileBytes(dir.File(L"v.inf"), "[Version]\r\nSignature=" + c.strSignature + "\r\n" + c.strRest +
                                                           "[Strings]\r\nV=\"Vendor\"\r\n"));
        CInfFile inf;
        ASSERT_EQ(OpenPackageInf(dir.File(L"v.inf").c_str(), &inf), 0u) << c.strSignature;
        std::vector<std::string> problems;
        CVerifyReport report(&Record, &problems);
        DRIVER_VERSION version = {};
        const bool bValidDriverVer = c.strProblem.find("DriverVer") == std::string::npos;
        EXPECT_EQ(CheckVersionSection(inf.Get(), &version, &report), bValidDriverVer);
        ASSERT_EQ(problems.size(), c.strProblem.empty() ? 0u : 1u) << c.strRest;
        if (!problems.empty()) {
            EXPECT_EQ(problems[0].rfind(c.strProblem, 0), 0u) << problems[0];
        }
    }
}

} // namespace
