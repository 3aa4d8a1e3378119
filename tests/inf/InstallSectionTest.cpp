// The x64 install section of a model line: Wine's SetupAPI answers, and the
// documented rule that stands in where SetupAPI lacks the call must give the
// same answer for every shape of decoration.
#include <gtest/gtest.h>

#include <string>

#include "inf/InfFile.h"
#include "inf/InfSetupApi.h"
#include "inf/InstallSection.h"
#include "support/TestFiles.h"

namespace {

struct SectionCase
{
    const wchar_t* pszSection;
    const wchar_t* pszExpected; // null: none applies
};

std::wstring Actual(HINF hInf, LPCWSTR pszSection)
{
    WCHAR sz[64];
    return ActualInstallSection(hInf, pszSection, sz, ARRAYSIZE(sz)) ? sz : L"(none)";
}

TEST(InstallSection, DocumentedRuleMatchesSetupApi)
{
    CScratchDir dir;
    ASSERT_TRUE(WriteFileBytes(dir.File(L"s.inf"),
                               "[Version]\r\nSignature=\"$Windows NT$\"\r\n"
                               "[All.NTamd64]\r\nx=1\r\n[All.NT]\r\nx=1\r\n[All]\r\nx=1\r\n"
                               "[Nt.NT]\r\nx=1\r\n[Nt]\r\nx=1\r\n[Plain]\r\nx=1\r\n[Empty]\r\n"
                               "[X86.NTx86]\r\nx=1\r\n"));
    CInfFile inf;
    ASSERT_EQ(OpenPackageInf(dir.File(L"s.inf").c_str(), &inf), 0u);
    const SectionCase cases[] = {
        { L"All", L"All.NTamd64" }, { L"Nt", L"Nt.NT" }, { L"Plain", L"Plain" },
        { L"Empty", L"Empty" },     { L"X86", nullptr }, { L"Missing", nullptr },
    };
    INF_SETUP_API& api = InfSetupApi();
    ASSERT_NE(api.pfnSetupDiGetActualSectionToInstallW, nullptr) << "Wine 8 exports it";
    const auto pfnReal = api.pfnSetupDiGetActualSectionToInstallW;
    for (const SectionCase& c : cases) {
        const std::wstring strExpected = c.pszExpected ? c.pszExpected : L"(none)";
        EXPECT_EQ(Actual(inf.Get(), c.pszSection), strExpected) << Narrow(c.pszSection) << " through SetupAPI";
        api.pfnSetupDiGetActualSectionToInstallW = nullptr;
        EXPECT_EQ(Actual(inf.Get(), c.pszSection), strExpected) << Narrow(c.pszSection) << " by the rule";
        api.pfnSetupDiGetActualSectionToInstallW = pfnReal;
    }
    // A name that fits only undecorated is not cut to fit.
    WCHAR szSmall[8];
    EXPECT_FALSE(ActualInstallSection(inf.Get(), L"All", szSmall, 8) && wcscmp(szSmall, L"All.NTa") == 0);
}

} // namespace
