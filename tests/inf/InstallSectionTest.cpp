// The x64 install section of a model line: Wine's SetupAPI answers, and the
// documented rule that stands in where SetupAPI lacks the call (injected
// here as missing) must give the same answer for every shape of decoration.
#include <gtest/gtest.h>

#include <string>

#include "inf/InfFile.h"
#include "inf/InfSetupApi.h"
#include "inf/InstallSection.h"
#include "support/TestFiles.h"

namespace {

TEST(InstallSection, DocumentedRuleMatchesSetupApi)
{
    CScratchDir dir;
    ASSERT_TRUE(WriteFileBytes(dir.File(L"s.inf"), "[Version]\r\nSignature=\"$Windows NT$\"\r\n"
                                                   "[All.NTamd64]\r\n[All.NT]\r\n[All]\r\n[Nt.NT]\r\n[Nt]\r\n"
                                                   "[Plain]\r\nx=1\r\n[X86.NTx86]\r\nx=1\r\n"));
    CInfFile inf;
    ASSERT_EQ(OpenPackageInf(dir.File(L"s.inf").c_str(), &inf), 0u);
    INF_SETUP_API& api = InfSetupApi();
    const auto pfnReal = api.pfnSetupDiGetActualSectionToInstallW;
    ASSERT_NE(pfnReal, nullptr) << "Wine 8 exports it";
    const wchar_t* const cases[][2] = {
        { L"All", L"All.NTamd64" }, { L"Nt", L"Nt.NT" }, { L"Plain", L"Plain" }, { L"X86", L"" }, { L"None", L"" },
    };
    for (const auto& c : cases) {
        for (bool bRule : { false, true }) {
            api.pfnSetupDiGetActualSectionToInstallW = bRule ? nullptr : pfnReal;
            WCHAR sz[64] = {};
            const bool bFound = ActualInstallSection(inf.Get(), c[0], sz, ARRAYSIZE(sz));
            EXPECT_EQ(bFound ? std::wstring(sz) : L"", c[1]) << Narrow(c[0]) << (bRule ? " by the rule" : "");
        }
    }
    api.pfnSetupDiGetActualSectionToInstallW = pfnReal;
}

} // namespace
