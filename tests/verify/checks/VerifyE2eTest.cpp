// /v through the real program under Wine, with real SetupAPI and CryptoAPI:
// each broken package shows exactly its one problem, and a good one passes.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "E2eTexts.h"
#include "ProgramRun.h"
#include "VerifyRun.h"
#include "support/TestFiles.h"

namespace {

struct BrokenPackage
{
    const char* pszName;
    const wchar_t* pszFrom;
    // Breaks the copy in the folder it is given; null leaves it whole.
    std::function<bool(const std::wstring&)> fnBreak;
    DWORD dwCode;
    // The one problem's text holds this; empty for a package that passes.
    std::string strProblem;
};

// The line that [Manufacturer] is on, counted from 1.
int ManufacturerLine(const std::string& strInf)
{
    const size_t nAt = strInf.find("[Manufacturer]");
    int nLine = 1;
    for (size_t i = 0; i < nAt && i < strInf.size(); ++i)
        nLine += strInf[i] == '\n';
    return nLine;
}

std::string g_strGoodInf;

const std::vector<BrokenPackage>& Cases()
{
    static const std::vector<BrokenPackage> cases = {
        { "good", L"good", nullptr, 0, "" },
        // Nothing else of a package that does not parse is checked, so its
        // catalog, which no longer matches the INF, is not reported.
        { "syntax error", L"good",
          [](const std::wstring& s) {
              std::string str = g_strGoodInf;
              str.replace(str.find("[Manufacturer]"), 14, "[Manufacturer");
              return WriteFileBytes(s + L"\\pkg.inf", str);
          },
          0xE0000001, "line " + std::to_string(ManufacturerLine(g_strGoodInf)) + ": " },
        { "missing catalog", L"good",
          [](const std::wstring& s) { return DeleteFileW((s + L"\\pkg.cat").c_str()) != 0; }, ERROR_FILE_NOT_FOUND,
          "pkg.cat" },
        { "missing copied file", L"good",
          [](const std::wstring& s) { return DeleteFileW((s + L"\\pkg.sys").c_str()) != 0; }, ERROR_FILE_NOT_FOUND,
          "pkg.sys" },
        { "file changed after signing", L"good",
          [](const std::wstring& s) { return WriteFileBytes(s + L"\\pkg.sys", ReadFileBytes(s + L"\\pkg.sys") + "!"); },
          0x800B0100, "pkg.sys" },
        { "catalog that is not one", L"good",
          [](const std::wstring& s) { return WriteFileBytes(s + L"\\pkg.cat", std::string(600, 'x')); }, 0x800B0100,
          "pkg.cat" },
        { "untrusted signer", L"untrusted", nullptr, 0x800B0109, "not trusted" },
        { "no x64 model", L"nox64", nullptr, 0xE0000301, "x64" },
    };
    return cases;
}

class VerifyRun : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SetTestTrust());
        g_strGoodInf = ReadFileBytes(VerifyPackages() + L"\\good\\pkg.inf");
        ASSERT_FALSE(g_strGoodInf.empty());
        ASSERT_TRUE(m_run.IsReady());
    }

    CProgramRun m_run;
};

// One list run reports every package: one verify line each, with its one
// problem before it, and /e gives the first failing package's code.
TEST_F(VerifyRun, EachBrokenPackageShowsExactlyItsOneProblem)
{
    std::string strList = ";inflist\r\n";
    for (const BrokenPackage& c : Cases()) {
        const std::wstring strFolder = m_run.File(Widen(c.pszName));
        ASSERT_TRUE(CopyPackage(c.pszFrom, strFolder)) << c.pszName;
        ASSERT_TRUE(!c.fnBreak || c.fnBreak(strFolder)) << c.pszName;
        strList += std::string(c.pszName) + "\\pkg.inf\r\n";
    }
    ASSERT_TRUE(m_run.Write(L"list.txt", strList));
    EXPECT_EQ(m_run.RunToEnd(L"/v /q /e /l list.txt /o run.log", c_msStart), 0xE0000001u);

    const std::vector<std::string> lines = LogLines(m_run, L"run.log");
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.front().find(", driver install: none (verify only)"), std::string::npos) << lines.front();
    const std::vector<VERIFIED_PACKAGE> packages = VerifiedPackages(lines);
    ASSERT_EQ(packages.size(), Cases().size());
    for (size_t i = 0; i < packages.size(); ++i) {
        const BrokenPackage& c = Cases()[i];
        const VERIFIED_PACKAGE& p = packages[i];
        char szCode[16];
        snprintf(szCode, sizeof(szCode), "0x%08lX", c.dwCode);
        const std::string strFull = Narrow(m_run.File(Widen(c.pszName) + L"\\pkg.inf"));
        // The code's text follows where the system has one.
        const std::string strLine = "verify \"" + std::string(c.pszName) + "\\pkg.inf\" -> \"" + strFull +
                                    "\": result " + szCode;
        EXPECT_TRUE(p.strVerifyLine == strLine || p.strVerifyLine.rfind(strLine + " (", 0) == 0)
            << c.pszName << ": " << p.strVerifyLine;
        EXPECT_EQ(p.strVerifyLine.find("restart"), std::string::npos) << p.strVerifyLine;
        if (c.dwCode == 0) {
            EXPECT_TRUE(p.errors.empty()) << c.pszName << ": " << (p.errors.empty() ? "" : p.errors.front());
            continue;
        }
        ASSERT_EQ(p.errors.size(), 1u) << c.pszName << ": " << (p.errors.empty() ? "none" : p.errors.back());
        EXPECT_EQ(p.errors[0].rfind(std::string(szCode) + ": ", 0), 0u) << c.pszName << ": " << p.errors[0];
        EXPECT_NE(p.errors[0].find(c.strProblem), std::string::npos) << c.pszName << ": " << p.errors[0];
    }
    EXPECT_EQ(lines.back().rfind("end packages verified 8, passed 1, failed 7; restart needed: no; exit code with "
                                 "/e: 3758096385 (0xE0000001)",
                                 0),
              0u)
        << lines.back();
    // DIFx was never loaded, not even to register or clear its log callback.
    EXPECT_TRUE(m_run.Journal().empty());
}

TEST_F(VerifyRun, GoodPackageGivesZeroAndTheDialogListsItAsPassed)
{
    ASSERT_TRUE(CopyPackage(L"good", m_run.File(L"good")));
    EXPECT_EQ(m_run.RunToEnd(L"/v /q /e /s good\\pkg.inf", c_msStart), 0u);

    CProgramRun shown;
    ASSERT_TRUE(shown.IsReady() && CopyPackage(L"good", shown.File(L"good")));
    ASSERT_TRUE(shown.Start(L"/v /e /s good\\pkg.inf"));
    HWND hDlg = shown.WaitForWindow(L"Tavelin - Driver Package Check", c_msStart);
    ASSERT_NE(hDlg, nullptr) << "no results dialog";
    const std::wstring strText = ItemText(hDlg, 1010);
    EXPECT_NE(strText.find(L"Driver packages checked: 1, passed: 1, failed: 0."), std::wstring::npos) << Narrow(strText);
    EXPECT_NE(strText.find(L"good\\pkg.inf: passed\r\n"), std::wstring::npos) << Narrow(strText);
    EXPECT_NE(GetWindowLongW(GetDlgItem(hDlg, 1010), GWL_STYLE) & ES_READONLY, 0);
    PostMessageW(GetDlgItem(hDlg, IDOK), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    DWORD dwExit = 1;
    ASSERT_TRUE(shown.Wait(10000, &dwExit)) << "Escape did not close the results dialog";
    EXPECT_EQ(dwExit, 0u);
    EXPECT_TRUE(shown.Journal().empty());
}

} // namespace
