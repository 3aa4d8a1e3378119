// /v of a list of 50 signed packages against /p of the same list, both quiet
// and without DIFx: what checking a bundle costs next to staging it.
#include <cstdio>
#include <string>

#include "BenchContext.h"
#include "ChildProcess.h"
#include "PairedRuns.h"
#include "ResultTable.h"
#include "support/TestTrust.h"

namespace {

const int c_cPackages = 50;
const size_t c_nRounds = 9;
const DWORD c_dwTimeoutMs = 120000;
const double c_dTimeRatioMax = 1.5;

std::wstring PackageName(int i)
{
    return L"vb" + std::to_wstring(100 + i);
}

// <work>\verify: tavelin.exe alone (no DIFXAPI.dll beside it, so /p stages
// through Windows' own API) and 50 copies of the good test package, each
// with an INF of its own name, so that staging keeps one copy of each.
bool StageVerifyFolder(const BENCH_CONTEXT& context, const std::wstring& strFolder)
{
    CreateDirectoryW(strFolder.c_str(), nullptr);
    if (!CopyFileW((context.strBuild + L"\\tavelin.exe").c_str(), (strFolder + L"\\tavelin.exe").c_str(), FALSE))
        return false;
    const std::wstring strGood = context.strTools + L"\\verify-packages\\good\\";
    std::string strList = ";inflist\r\n";
    for (int i = 0; i < c_cPackages; ++i) {
        const std::wstring strPackage = strFolder + L"\\" + PackageName(i);
        CreateDirectoryW(strPackage.c_str(), nullptr);
        if (!CopyFileW((strGood + L"pkg.inf").c_str(), (strPackage + L"\\" + PackageName(i) + L".inf").c_str(),
                       FALSE) ||
            !CopyFileW((strGood + L"pkg.sys").c_str(), (strPackage + L"\\pkg.sys").c_str(), FALSE) ||
            !CopyFileW((strGood + L"pkg.cat").c_str(), (strPackage + L"\\pkg.cat").c_str(), FALSE))
            return false;
        std::wstring strEntry = PackageName(i) + L"\\" + PackageName(i) + L".inf\r\n";
        strList.append(strEntry.begin(), strEntry.end());
    }
    HANDLE hFile = CreateFileW((strFolder + L"\\list.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD cbWritten = 0;
    const bool bWritten = hFile != INVALID_HANDLE_VALUE &&
                          WriteFile(hFile, strList.data(), static_cast<DWORD>(strList.size()), &cbWritten, nullptr) &&
                          cbWritten == strList.size();
    if (hFile != INVALID_HANDLE_VALUE)
        CloseHandle(hFile);
    return bWritten;
}

// What /p staged: the INFs by their own names and the shared catalog.
void ForgetStaged()
{
    WCHAR szWindows[MAX_PATH];
    WCHAR szSystem[MAX_PATH];
    GetWindowsDirectoryW(szWindows, MAX_PATH);
    GetSystemDirectoryW(szSystem, MAX_PATH);
    for (int i = 0; i < c_cPackages; ++i) {
        for (LPCWSTR pszExt : { L".inf", L".pnf" })
            DeleteFileW((std::wstring(szWindows) + L"\\inf\\" + PackageName(i) + pszExt).c_str());
    }
    DeleteFileW((std::wstring(szSystem) + L"\\catroot\\{F750E6C3-38EE-11D1-85E5-00C04FC295EE}\\pkg.cat").c_str());
}

// The checks must pass: a run that stops early compares different work.
bool PassesEveryPackage(const std::wstring& strExe, const std::wstring& strFolder, const std::wstring& strArgs)
{
    CHILD_RUN run;
    return RunChild(strExe, strArgs + L" /e", strFolder, false, c_dwTimeoutMs, &run) && run.dwExitCode == 0;
}

} // namespace

bool BenchVerify(const BENCH_CONTEXT& context, CResultTable* pTable)
{
    const std::wstring strFolder = context.WorkFile(L"verify");
    const std::wstring strExe = strFolder + L"\\tavelin.exe";
    // The packages are signed by the test root's publisher: with the root in
    // Root and the publisher in TrustedPublisher, they pass.
    if (!TrustTestRoot(context.strTools + L"\\verify-packages\\test-root.cer") ||
        !TrustPublisher(context.strTools + L"\\verify-packages\\test-root-signer.cer") ||
        !StageVerifyFolder(context, strFolder)) {
        fprintf(stderr, "bench: cannot stage the verify packages (is verify-packages built?)\n");
        return false;
    }
    if (!PassesEveryPackage(strExe, strFolder, L"/v /q /l list.txt") ||
        !PassesEveryPackage(strExe, strFolder, L"/p /q /l list.txt")) {
        fprintf(stderr, "bench: /v or /p of the package list failed\n");
        ForgetStaged();
        return false;
    }
    const size_t nRounds = context.Rounds(c_nRounds);
    printf("verify: %d packages, %u rounds of /v and /p\n", c_cPackages, static_cast<unsigned>(nRounds));
    fflush(stdout);
    PAIRED_SAMPLES samples;
    const bool bMeasured = MeasurePaired(
        nRounds, [&](double* pd) { return TimeChild(strExe, L"/v /q /l list.txt", strFolder, c_dwTimeoutMs, pd); },
        [&](double* pd) {
            // Each round stages the whole list afresh, as on a new machine.
            ForgetStaged();
            return TimeChild(strExe, L"/p /q /l list.txt", strFolder, c_dwTimeoutMs, pd);
        },
        &samples);
    ForgetStaged();
    if (!bMeasured) {
        fprintf(stderr, "bench: a verify or preinstall run failed\n");
        return false;
    }
    const double dRatio = samples.ratio.Median();
    pTable->Add({ "quiet /v of 50 signed packages", FormatFigure(samples.product.Median() * 1000.0, 0, "ms"),
                  FormatFigure(samples.baseline.Median() * 1000.0, 0, "ms") + " (/p, no DIFx)", FormatRatio(dRatio),
                  "<= 1.50x", VerdictAtMost(dRatio, c_dTimeRatioMax) });
    pTable->AddNote("verify: tavelin.exe /v /q /l against tavelin.exe /p /q /l of the same 50 copies of the signed "
                    "test package, no DIFXAPI.dll beside the exe (so /p stages through Windows' own API, every round "
                    "into an INF folder that holds none of them). The test root is trusted first.");
    return true;
}
