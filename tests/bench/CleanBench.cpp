// How long /c of one package takes in an INF folder that holds 1,000 staged
// INF files (oem90000.inf on, as Windows names them), in this process,
// against the floor of reading them: a loop that opens each of those INF
// files once with SetupOpenInfFileW. A few of the 1,000 share the package's
// Provider and ClassGuid, and two of those are older versions of it, which
// /c removes each round (they are written back between rounds). SetupAPI's
// original-name answer is Windows' (from the PNF), which Wine cannot give.
#include <windows.h>
#include <setupapi.h>

#include <cstdio>
#include <string>

#include "BenchContext.h"
#include "ResultTable.h"
#include "SampleSet.h"
#include "StagingFolders.h"
#include "Stopwatch.h"
#include "inf/InfIdentity.h"
#include "packages/DiffxApiCallback.h"
#include "packages/PackageCallLock.h"
#include "packages/PackageClean.h"
#include "packages/RunSummary.h"

namespace {

const double c_dRatioMax = 1.5;
const int c_nStaged = 1000;
// oem90000.inf + these: the package's versions among the 1,000.
const int c_nSameProvider = 10;
const int c_nOlder = 2;
const int c_nGivenCopy = 91000;

std::wstring StagedPath(int nSerial)
{
    return StagingFolder(false) + L"\\oem" + std::to_wstring(nSerial) + L".inf";
}

// An INF of an ordinary size: a [Version], thirty models and their strings.
std::string Package(int nSerial, const char* pszProvider, const char* pszDriverVer)
{
    char szHead[512];
    snprintf(szHead, sizeof(szHead),
             "[Version]\r\nSignature = \"$WINDOWS NT$\"\r\nClass = TavelinSample\r\n"
             "ClassGuid = {6f3b2c10-58a4-4c8e-9d1e-3a7b5e2f0a11}\r\nProvider = %%P%%\r\nDriverVer = %s\r\n"
             "CatalogFile = tvbclean.cat\r\n\r\n[Manufacturer]\r\n%%P%% = Models, NTamd64\r\n\r\n[Models.NTamd64]\r\n",
             pszDriverVer);
    std::string str = szHead;
    for (int i = 0; i < 30; ++i) {
        char szLine[128];
        snprintf(szLine, sizeof(szLine), "%%D%d%% = Dev_Install, USB\\VID_F055&PID_%04X&MI_%02d\r\n", i, nSerial & 0xFFFF,
                 i);
        str += szLine;
    }
    str += "\r\n[Dev_Install.NTamd64]\r\n\r\n[Strings]\r\nP = \"" + std::string(pszProvider) + "\"\r\n";
    for (int i = 0; i < 30; ++i)
        str += "D" + std::to_string(i) + " = \"Bench device " + std::to_string(nSerial) + " function " +
               std::to_string(i) + "\"\r\n";
    return str;
}

const char* ProviderOf(int i)
{
    return i < c_nSameProvider ? "Tavelin bench" : "Another vendor";
}

const char* DriverVerOf(int i)
{
    return i < c_nOlder ? "01/15/2024,1.0.0.1" : i < c_nSameProvider ? "12/01/2026,5.0.0.0" : "03/03/2025,3.0";
}

// Windows' answer for the bench's staged copies: the name they were staged
// from.
BOOL WINAPI WindowsOriginalName(PSP_INF_INFORMATION pInformation, UINT uiIndex, PSP_ALTPLATFORM_INFO pPlatform,
                                PSP_ORIGINAL_FILE_INFO_W pOriginal)
{
    if (!SetupQueryInfOriginalFileInformationW(pInformation, uiIndex, pPlatform, pOriginal))
        return FALSE;
    if (wcsncmp(pOriginal->OriginalInfName, L"oem90", 5) == 0)
        wcscpy(pOriginal->OriginalInfName, L"tvbclean.inf");
    return TRUE;
}

void RemoveBenchFiles()
{
    for (int i = 0; i < c_nStaged; ++i) {
        DeleteFileW(StagedPath(90000 + i).c_str());
        DeleteFileW((StagingFolder(false) + L"\\oem" + std::to_wstring(90000 + i) + L".pnf").c_str());
    }
    DeleteFileW(StagedPath(c_nGivenCopy).c_str());
    DeleteFileW((StagingFolder(true) + L"\\oem" + std::to_wstring(c_nGivenCopy) + L".cat").c_str());
}

double MedianYardstickMs(size_t nRounds)
{
    CSampleSet samples;
    for (size_t iRound = 0; iRound < nRounds; ++iRound) {
        CStopwatch watch;
        for (int i = 0; i <= c_nStaged; ++i) {
            const std::wstring strPath = StagedPath(i < c_nStaged ? 90000 + i : c_nGivenCopy);
            HINF hInf = SetupOpenInfFileW(strPath.c_str(), nullptr, INF_STYLE_WIN4, nullptr);
            if (hInf == INVALID_HANDLE_VALUE)
                return -1.0;
            SetupCloseInfFile(hInf);
        }
        samples.Add(watch.Seconds() * 1000.0);
    }
    return samples.Median();
}

double MedianCleanMs(const std::wstring& strPackage, size_t nRounds)
{
    CSampleSet samples;
    CPackageCallLock lock;
    CDiffxApiCallback callback;
    for (size_t iRound = 0; iRound < nRounds; ++iRound) {
        RUN_SUMMARY summary = {};
        CStopwatch watch;
        const DWORD dwResult = CleanDriverPackage(strPackage.c_str(), lock, &callback, nullptr, &summary);
        samples.Add(watch.Seconds() * 1000.0);
        // Back for the next round, and for the yardstick.
        for (int i = 0; i < c_nOlder; ++i) {
            if (!WriteBytes(StagedPath(90000 + i), Package(i, ProviderOf(i), DriverVerOf(i))))
                return -1.0;
        }
        if (dwResult != ERROR_SUCCESS || summary.cVersionsRemoved != static_cast<DWORD>(c_nOlder)) {
            fprintf(stderr, "bench: /c gave 0x%08lX and removed %lu versions\n", dwResult, summary.cVersionsRemoved);
            return -1.0;
        }
    }
    return samples.Median();
}

} // namespace

bool BenchClean(const BENCH_CONTEXT& context, CResultTable* pTable)
{
    RemoveBenchFiles();
    const std::string strTarget = Package(c_nGivenCopy, "Tavelin bench", "09/09/2026,4.0.0.0");
    const std::wstring strPackage = context.WorkFile(L"tvbclean.inf");
    bool bReady = WriteBytes(strPackage, strTarget) && WriteBytes(context.WorkFile(L"tvbclean.cat"), "cat") &&
                  WriteBytes(StagedPath(c_nGivenCopy), strTarget) &&
                  WriteBytes(StagingFolder(true) + L"\\oem" + std::to_wstring(c_nGivenCopy) + L".cat", "cat");
    for (int i = 0; bReady && i < c_nStaged; ++i)
        bReady = WriteBytes(StagedPath(90000 + i), Package(i, ProviderOf(i), DriverVerOf(i)));

    INF_ORIGINAL_NAME_API& names = InfOriginalNameApi();
    const INF_ORIGINAL_NAME_API real = names;
    names.pfnSetupQueryInfOriginalFileInformationW = WindowsOriginalName;
    const size_t nRounds = context.Rounds(12);
    // Each once first, so that both read from a warm cache.
    const double dWarm = bReady ? MedianYardstickMs(1) : -1.0;
    const double dClean = dWarm >= 0 ? MedianCleanMs(strPackage, nRounds) : -1.0;
    const double dYardstick = dClean >= 0 ? MedianYardstickMs(nRounds) : -1.0;
    names = real;
    RemoveBenchFiles();
    if (dClean < 0 || dYardstick <= 0) {
        fprintf(stderr, "bench: /c among staged INF files could not be measured\n");
        return false;
    }
    const double dRatio = dClean / dYardstick;
    pTable->Add({ "/c of one package among 1,000 staged INFs", FormatFigure(dClean, 1, "ms"),
                  FormatFigure(dYardstick, 1, "ms"), FormatRatio(dRatio), "<=1.5x", VerdictAtMost(dRatio, c_dRatioMax) });
    pTable->AddNote("/c: median of " + std::to_string(nRounds) + " in-process runs among " +
                    std::to_string(c_nStaged) + " staged oemN.inf files, " + std::to_string(c_nSameProvider) +
                    " of the package's Provider and ClassGuid, " + std::to_string(c_nOlder) +
                    " of them older versions that it removes; baseline: SetupOpenInfFileW of each file once.");
    return true;
}
