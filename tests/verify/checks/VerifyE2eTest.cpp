// /v through the real program under Wine, with real SetupAPI and CryptoAPI:
// each broken package shows exactly its one problem, and a good one passes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "E2eTexts.h"
#include "ProgramRun.h"
#include "VerifyRun.h"
#include "support/TestFiles.h"
#include "support/TestTrust.h"

namespace {

struct BrokenPackage
{
    const char* pszName;
    const wchar_t* pszFrom;
    const wchar_t* pszFile; // the file broken, null for none
    const char* pszBreak;   // "delete", "append" (a byte), "garbage", "syntax", "create"
    DWORD dwCode;
    std::string strProblem; // what the one problem's text holds
};

bool Break(const BrokenPackage& c, const std::wstring& strFile)
{
    std::string str = ReadFileBytes(strFile);
    const std::string strHow = c.pszBreak;
    if (strHow == "delete")
        return DeleteFileW(strFile.c_str()) != 0;
    if (strHow == "create")
        return WriteFileBytes(strFile, "a file the catalog does not list");
    if (strHow == "syntax")
        return WriteFileBytes(strFile, str.erase(str.find("[Manufacturer]") + 13, 1));
    return WriteFileBytes(strFile, strHow == "append" ? str + "!" : std::string(600, 'x'));
}

// The line [Manufacturer] is on in the good package's INF.
std::string ManufacturerLine()
{
    const std::string str = ReadFileBytes(ModuleDir() + L"\\verify-packages\\good\\pkg.inf");
    return "line " + std::to_string(1 + std::count(str.begin(), str.begin() + str.find("[Manufacturer]"), '\n')) + ": ";
}

// One list run checks every package: one verify line each, with its one
// problem before it. Nothing else of an INF that does not parse is checked,
// so its catalog, which no longer matches it, is not reported.
TEST(VerifyRun, EachBrokenPackageShowsExactlyItsOneProblem)
{
    const std::vector<BrokenPackage> cases = {
        { "good", L"good", nullptr, "", 0, "" },
        { "syntax", L"good", L"pkg.inf", "syntax", 0xE0000001, ManufacturerLine() },
        { "no catalog", L"good", L"pkg.cat", "delete", ERROR_FILE_NOT_FOUND, "pkg.cat\" is missing" },
        { "no copied file", L"good", L"pkg.sys", "delete", ERROR_FILE_NOT_FOUND, "pkg.sys\" is missing" },
        { "changed", L"good", L"pkg.sys", "append", 0x800B0100, "pkg.sys\": the file was changed after" },
        { "not a catalog", L"good", L"pkg.cat", "garbage", 0x800B0100, "pkg.cat" },
        { "untrusted", L"untrusted", nullptr, "", 0x800B0109,
          "signed by Tavelin Other Publisher, but that signature is not trusted on this machine" },
        { "no x64 model", L"nox64", nullptr, "", 0xE0000301, "for x64" },
        { "ARM64 models only", L"armonly", nullptr, "", 0xE0000301, "no models section for x64" },
        // The co-installer, copied as @pkgco.dll, is neither in the package
        // nor in its catalog; the interface and class installer sections copy
        // pkg.sys, which both hold.
        { "co-installer missing", L"coinst", nullptr, "", ERROR_FILE_NOT_FOUND, "pkgco.dll\" is missing" },
        { "co-installer not signed", L"coinst", L"pkgco.dll", "create", 0x800B0100, "pkgco.dll\": the file was changed" },
        { "no install section", L"nosection", nullptr, "", 0xE0000101,
          "the install section [Missing_Install] of the model \"Tavelin Second Test Device\" "
          "(USB\\VID_7A7A&PID_7E02) is missing" },
    };
    ASSERT_TRUE(SetTestTrust());
    CProgramRun run;
    ASSERT_TRUE(run.IsReady());
    std::string strList = ";inflist\r\n";
    for (const BrokenPackage& c : cases) {
        const std::wstring strFolder = run.File(Widen(c.pszName));
        ASSERT_TRUE(CopyPackage(c.pszFrom, strFolder) && (!c.pszFile || Break(c, strFolder + L"\\" + c.pszFile)));
        strList += std::string(c.pszName) + "\\pkg.inf\r\n";
    }
    ASSERT_TRUE(run.Write(L"list.txt", strList));
    EXPECT_EQ(run.RunToEnd(L"/v /q /e /l list.txt /o run.log", c_msStart), 0xE0000001u);

    std::string strEnd;
    const std::vector<VERIFIED_PACKAGE> packages = VerifiedPackages(run, L"run.log", &strEnd);
    ASSERT_EQ(packages.size(), cases.size());
    for (size_t i = 0; i < packages.size(); ++i) {
        const BrokenPackage& c = cases[i];
        const VERIFIED_PACKAGE& p = packages[i];
        char szCode[16];
        snprintf(szCode, sizeof(szCode), "0x%08lX", c.dwCode);
        // The code's text follows where the system has one; no restart part.
        const std::string strLine = "verify \"" + std::string(c.pszName) + "\\pkg.inf\" -> \"" +
                                    Narrow(run.File(Widen(c.pszName))) + "\\pkg.inf\": result " + szCode;
        EXPECT_TRUE(p.strVerifyLine == strLine || p.strVerifyLine.rfind(strLine + " (", 0) == 0) << p.strVerifyLine;
        EXPECT_EQ(p.strVerifyLine.find("restart"), std::string::npos);
        ASSERT_EQ(p.errors.size(), c.dwCode ? 1u : 0u) << c.pszName;
        if (c.dwCode) {
            EXPECT_EQ(p.errors[0].rfind(szCode + std::string(": "), 0), 0u) << p.errors[0];
            EXPECT_NE(p.errors[0].find(c.strProblem), std::string::npos) << c.pszName << ": " << p.errors[0];
        }
    }
    EXPECT_EQ(strEnd, "end packages verified 12, passed 1, failed 11; restart needed: no; exit code with /e: "
                      "3758096385 (0xE0000001)");
    // DIFx was never loaded, not even to register or clear its log callback.
    EXPECT_TRUE(run.Journal().empty());
}

// A publisher whose root is trusted fails as Windows' quiet install does
// until its own certificate is in TrustedPublisher (only this test trusts
// the third root, so it may move its publisher). With Secure Boot on, its
// kernel driver gets a warning, and the result stays.
TEST(VerifyRun, TrustedPublisherDecidesAndSecureBootWarnsOfAKernelDriver)
{
    const std::wstring strKeys = ModuleDir() + L"\\verify-packages\\";
    const wchar_t c_szSecureBoot[] = L"SYSTEM\\CurrentControlSet\\Control\\SecureBoot\\State";
    ASSERT_TRUE(TrustTestRoot(strKeys + L"third-root.cer"));
    const struct
    {
        bool bPublisherTrusted;
        DWORD dwSecureBoot;
        DWORD dwExit;
        const char* pszLine; // the error, or the first information line, holds it
    } cases[] = {
        { false, 0, 0xE0000242,
          "is signed by Tavelin Third Publisher, whose certificate is not in TrustedPublisher on this machine: a quiet "
          "install fails, an interactive one asks whether to trust the publisher" },
        { true, 1, 0, "is signed by Tavelin Third Publisher, a publisher trusted on this machine (TrustedPublisher): "
                      "the package installs quietly" },
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(c.bPublisherTrusted ? TrustPublisher(strKeys + L"third-root-signer.cer")
                                        : UntrustCertificate(strKeys + L"third-root-signer.cer"));
        ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, c_szSecureBoot, L"UEFISecureBootEnabled", REG_DWORD,
                                  &c.dwSecureBoot, sizeof(DWORD)),
                  ERROR_SUCCESS);
        CProgramRun run;
        ASSERT_TRUE(run.IsReady() && CopyPackage(L"thirdparty", run.File(L"pkg")));
        EXPECT_EQ(run.RunToEnd(L"/v /q /e /s pkg\\pkg.inf /o run.log", c_msStart), c.dwExit);
        RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, c_szSecureBoot, L"UEFISecureBootEnabled");
        const std::vector<VERIFIED_PACKAGE> packages = VerifiedPackages(run, L"run.log");
        ASSERT_EQ(packages.size(), 1u);
        const VERIFIED_PACKAGE& p = packages[0];
        ASSERT_EQ(p.errors.size(), c.dwExit ? 1u : 0u);
        ASSERT_FALSE(p.infos.empty());
        EXPECT_NE((c.dwExit ? p.errors[0] : p.infos[0]).find(c.pszLine), std::string::npos);
        ASSERT_EQ(p.warnings.size(), c.dwSecureBoot);
        if (c.dwSecureBoot) {
            EXPECT_NE(p.warnings[0].find("\\pkg.sys\" is a kernel-mode driver whose catalog Microsoft did not sign: "
                                         "Windows 10 1607 and later with Secure Boot on load only kernel drivers that "
                                         "Microsoft signed, apart from the cross-signing exceptions, so it may not "
                                         "start (Device Manager code 52)"),
                      std::string::npos)
                << p.warnings[0];
        }
    }
    EXPECT_TRUE(UntrustCertificate(strKeys + L"third-root-signer.cer") &&
                UntrustCertificate(strKeys + L"third-root.cer"));
}

TEST(VerifyRun, GoodPackageGivesZeroAndTheResultsDialogListsItAsPassed)
{
    ASSERT_TRUE(SetTestTrust());
    CProgramRun quiet;
    CProgramRun shown;
    ASSERT_TRUE(quiet.IsReady() && shown.IsReady() && CopyPackage(L"good", quiet.File(L"good")) &&
                CopyPackage(L"good", shown.File(L"good")));
    EXPECT_EQ(quiet.RunToEnd(L"/v /q /e /s good\\pkg.inf", c_msStart), 0u);

    ASSERT_TRUE(shown.Start(L"/v /e /s good\\pkg.inf"));
    HWND hDlg = shown.WaitForWindow(L"Tavelin - Driver Package Check", c_msStart);
    ASSERT_NE(hDlg, nullptr) << "no results dialog";
    const std::wstring strText = ItemText(hDlg, 1010);
    EXPECT_EQ(strText.rfind(L"Driver packages checked: 1, passed: 1, failed: 0.", 0), 0u) << Narrow(strText);
    EXPECT_NE(strText.find(L"\r\ngood\\pkg.inf: passed\r\n"), std::wstring::npos) << Narrow(strText);
    EXPECT_NE(GetWindowLongW(GetDlgItem(hDlg, 1010), GWL_STYLE) & ES_READONLY, 0);
    PostMessageW(GetDlgItem(hDlg, IDOK), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    DWORD dwExit = 1;
    ASSERT_TRUE(shown.Wait(10000, &dwExit)) << "Escape did not close the results dialog";
    EXPECT_EQ(dwExit, 0u);
}

} // namespace
