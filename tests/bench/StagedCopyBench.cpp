// How long the native uninstall takes to find a package's staged copy in an
// INF folder that holds 1,000 other staged packages (oem0000.inf on), in
// this process: staged under its own name (as Wine stages), as oemN.inf (as
// Windows stages), and not staged at all.
#include <cstdio>
#include <string>

#include "BenchContext.h"
#include "ResultTable.h"
#include "SampleSet.h"
#include "StagingFolders.h"
#include "Stopwatch.h"
#include "inf/InfFile.h"
#include "packages/native/StagedCopy.h"

namespace {

const double c_dSearchMaxMs = 10.0;
const int c_nOtherPackages = 1000;
// A few others share the target's size, so some candidates are read.
const int c_nSameSize = 3;

std::string Package(int nSerial, size_t cbPadding)
{
    char szHead[256];
    snprintf(szHead, sizeof(szHead),
             "[Version]\r\nSignature = \"$WINDOWS NT$\"\r\nClass = TavelinSample\r\n"
             "ClassGuid = {6f3b2c10-58a4-4c8e-9d1e-3a7b5e2f0a11}\r\nCatalogFile = tvbench-%04d.cat\r\n",
             nSerial);
    return std::string(szHead) + "; " + std::string(cbPadding, 'x') + "\r\n";
}

void RemoveBenchFiles()
{
    for (bool bCatalogRoot : { false, true }) {
        WIN32_FIND_DATAW fd;
        const std::wstring strFolder = StagingFolder(bCatalogRoot);
        HANDLE h = FindFirstFileW((strFolder + L"\\tvbench*").c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE)
            continue;
        do
            DeleteFileW((strFolder + L"\\" + fd.cFileName).c_str());
        while (FindNextFileW(h, &fd));
        FindClose(h);
    }
}

double MedianSearchMs(const std::wstring& strInf, size_t nRounds, bool* pbFound)
{
    CInfFile inf;
    if (OpenPackageInf(strInf.c_str(), &inf) != ERROR_SUCCESS)
        return -1.0;
    CSampleSet samples;
    for (size_t i = 0; i < nRounds; ++i) {
        CWideString strPublished;
        CStopwatch watch;
        const DWORD dwResult = FindStagedCopy(strInf.c_str(), inf.Get(), &strPublished);
        samples.Add(watch.Seconds() * 1000.0);
        *pbFound = dwResult == ERROR_SUCCESS;
    }
    return samples.Median();
}

} // namespace

bool BenchStagedCopySearch(const BENCH_CONTEXT& context, CResultTable* pTable)
{
    RemoveBenchFiles();
    const std::wstring strInfFolder = StagingFolder(false);
    const std::wstring strCatalogRoot = StagingFolder(true);
    const std::string strTarget = Package(9999, 300);
    const std::wstring strTargetInf = context.WorkFile(L"tvbench-9999.inf");
    bool bReady = WriteBytes(strTargetInf, strTarget) && WriteBytes(context.WorkFile(L"tvbench-9999.cat"), "cat") &&
                  WriteBytes(strCatalogRoot + L"\\tvbench-9999.cat", "cat");
    // The others carry staged names from a range no real prefix reaches.
    for (int i = 0; bReady && i < c_nOtherPackages; ++i) {
        WCHAR szName[40];
        swprintf(szName, 40, L"\\oem%d.inf", 90000 + i);
        bReady = WriteBytes(strInfFolder + szName, Package(i, i < c_nSameSize ? 300 : 400 + i));
    }

    struct
    {
        const char* pszFigure;
        LPCWSTR pszStagedAs; // null: not staged
        bool bFound;
        double dMs;
    } cases[] = {
        { "staged copy search, own name (Wine)", L"\\tvbench-9999.inf", true, -1.0 },
        { "staged copy search, as oemN.inf (Windows)", L"\\oem91000.inf", true, -1.0 },
        { "staged copy search, not staged", nullptr, false, -1.0 },
    };
    const size_t nRounds = context.Rounds(40);
    for (auto& c : cases) {
        if (!bReady)
            break;
        if (c.pszStagedAs) {
            bReady = WriteBytes(strInfFolder + c.pszStagedAs, strTarget);
            std::wstring strCatalog = std::wstring(c.pszStagedAs).replace(std::wstring(c.pszStagedAs).size() - 3, 3, L"cat");
            bReady = bReady && WriteBytes(strCatalogRoot + strCatalog, "cat");
        }
        bool bFound = false;
        c.dMs = bReady ? MedianSearchMs(strTargetInf, nRounds, &bFound) : -1.0;
        if (c.pszStagedAs)
            DeleteFileW((strInfFolder + c.pszStagedAs).c_str());
        bReady = bReady && c.dMs >= 0 && bFound == c.bFound;
    }
    for (int i = 0; i <= c_nOtherPackages; ++i) {
        WCHAR szName[40];
        swprintf(szName, 40, L"\\oem%d.inf", 90000 + i);
        DeleteFileW((strInfFolder + szName).c_str());
        swprintf(szName, 40, L"\\oem%d.cat", 90000 + i);
        DeleteFileW((strCatalogRoot + szName).c_str());
    }
    RemoveBenchFiles();
    if (!bReady) {
        fprintf(stderr, "bench: the staged-copy search could not be measured\n");
        return false;
    }
    for (const auto& c : cases)
        pTable->Add({ c.pszFigure, FormatFigure(c.dMs, 2, "ms"), "", "", "<=10 ms", VerdictAtMost(c.dMs, c_dSearchMaxMs) });
    pTable->AddNote("staged copy search: median of " + std::to_string(nRounds) + " in-process searches among " +
                    std::to_string(c_nOtherPackages) + " other oemN.inf files; " + std::to_string(c_nSameSize) +
                    " of them have the package's size and are read.");
    return true;
}
