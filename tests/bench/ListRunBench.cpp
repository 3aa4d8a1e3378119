// A whole quiet list install of 100,000 entries against the stand-in DIFx:
// tavelin.exe against bench_plainrun.exe, time and peak memory.
#include <cstdio>
#include <cstring>
#include <string>

#include "BenchContext.h"
#include "ChildProcess.h"
#include "Handles.h"
#include "ListFileWriter.h"
#include "PairedRuns.h"
#include "ResultTable.h"

namespace {

const size_t c_cEntries = 100000;
const size_t c_nTimeRounds = 11;
const size_t c_nMemoryRounds = 3;
const size_t c_cCheckEntries = 100;
const DWORD c_dwTimeoutMs = 120000;
const double c_dTimeRatioMax = 1.5;
const double c_dMiB = 1048576.0;
// The list held as UTF-16 may take twice its size, plus this much for the
// process itself.
const double c_dMemoryFixedMiB = 4.0;

bool PeakOf(const std::wstring& strExe, const std::wstring& strArgs, const std::wstring& strFolder,
            CSampleSet* pSamples)
{
    CHILD_RUN run;
    if (!RunChild(strExe, strArgs, strFolder, true, c_dwTimeoutMs, &run) || run.cbPeakWorkingSet == 0)
        return false;
    pSamples->Add(static_cast<double>(run.cbPeakWorkingSet) / c_dMiB);
    return true;
}

std::string ReadWholeFile(const std::wstring& strPath)
{
    CHandle file(CreateFileW(strPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string strText;
    if (!file.IsValid())
        return strText;
    char rgch[65536];
    DWORD cbRead = 0;
    while (ReadFile(file.Get(), rgch, sizeof(rgch), &cbRead, nullptr) && cbRead > 0)
        strText.append(rgch, cbRead);
    return strText;
}

// Lines of the stand-in's journal that record a quiet install call.
size_t CountInstallCalls(const std::wstring& strJournal)
{
    const std::string strText = ReadWholeFile(strJournal);
    const char szCall[] = "DriverPackageInstallW flags=0x3 ";
    size_t cCalls = 0;
    for (size_t nAt = strText.find(szCall); nAt != std::string::npos; nAt = strText.find(szCall, nAt + 1)) {
        if (nAt == 0 || strText[nAt - 1] == '\n')
            ++cCalls;
    }
    return cCalls;
}

// Both programs must make one quiet install call per entry, or the timing
// compares different work. Checked on a short list with the journal on.
bool MakesOneCallPerEntry(const BENCH_CONTEXT& context, const std::wstring& strExe, const std::wstring& strArgs)
{
    const std::wstring strJournal = context.WorkFile(L"journal.txt");
    DeleteFileW(strJournal.c_str());
    SetEnvironmentVariableW(L"DIFXSTUB_JOURNAL", strJournal.c_str());
    CHILD_RUN run;
    const bool bRan = RunChild(strExe, strArgs, context.strWork, false, c_dwTimeoutMs, &run);
    SetEnvironmentVariableW(L"DIFXSTUB_JOURNAL", nullptr);
    const size_t cCalls = CountInstallCalls(strJournal);
    DeleteFileW(strJournal.c_str());
    return bRan && cCalls == c_cCheckEntries;
}

// The same list run with /o against itself without: what the log costs. Each
// timed run starts on a fresh log; the last one must hold every call.
bool BenchLogCost(const BENCH_CONTEXT& context, const std::wstring& strProduct, const std::wstring& strArgs,
                  size_t nRounds, CResultTable* pTable)
{
    const std::wstring strLog = context.WorkFile(L"run.log");
    const std::wstring strLogArgs = strArgs + L" /o run.log";
    PAIRED_SAMPLES samples;
    const bool bMeasured = MeasurePaired(
        nRounds,
        [&](double* pd) {
            DeleteFileW(strLog.c_str());
            return TimeChild(strProduct, strLogArgs, context.strWork, c_dwTimeoutMs, pd);
        },
        [&](double* pd) { return TimeChild(strProduct, strArgs, context.strWork, c_dwTimeoutMs, pd); }, &samples);
    const std::string strText = ReadWholeFile(strLog);
    DeleteFileW(strLog.c_str());
    size_t cLogged = 0;
    for (size_t nAt = strText.find(" install \""); nAt != std::string::npos; nAt = strText.find(" install \"", nAt + 1))
        ++cLogged;
    if (!bMeasured || cLogged != c_cEntries) {
        fprintf(stderr, "bench: a list run with /o failed or did not log every call\n");
        return false;
    }
    const double dRatio = samples.ratio.Median();
    pTable->Add({ "quiet list run 100,000 entries with /o", FormatFigure(samples.product.Median() * 1000.0, 0, "ms"),
                  FormatFigure(samples.baseline.Median() * 1000.0, 0, "ms") + " (without /o)", FormatRatio(dRatio),
                  "<= 1.50x", VerdictAtMost(dRatio, c_dTimeRatioMax) });
    return true;
}

// The product, the base commit's exe and the yardstick, one run each per
// round, the order rotating so that none always runs on another's
// leftovers; one untimed run of each first. Ratios are per round, over the
// yardstick's time of the same round.
bool MeasureWithBase(size_t nRounds, const FnMeasure (&rgfn)[3], CSampleSet (&rgTimes)[3], CSampleSet (&rgRatios)[2])
{
    double rgd[3] = {};
    for (const FnMeasure& fn : rgfn) {
        if (!fn(&rgd[0]))
            return false;
    }
    for (size_t nRound = 0; nRound < nRounds; ++nRound) {
        for (size_t k = 0; k < 3; ++k) {
            const size_t i = (nRound + k) % 3;
            if (!rgfn[i](&rgd[i]))
                return false;
        }
        if (rgd[2] <= 0.0)
            return false;
        for (size_t i = 0; i < 3; ++i)
            rgTimes[i].Add(rgd[i]);
        rgRatios[0].Add(rgd[0] / rgd[2]);
        rgRatios[1].Add(rgd[1] / rgd[2]);
    }
    return true;
}

} // namespace

bool BenchListRun(const BENCH_CONTEXT& context, CResultTable* pTable)
{
    const std::wstring strProduct = context.WorkFile(L"tavelin.exe");
    const std::wstring strBase = context.WorkFile(L"tavelin-base.exe");
    const std::wstring strPlain = context.WorkFile(L"bench_plainrun.exe");
    const std::wstring strIdle = context.WorkFile(L"bench_idle.exe");

    LIST_FILE_FACTS facts;
    if (!WriteInfList(context.WorkFile(L"check.txt"), c_cCheckEntries, &facts) ||
        !MakesOneCallPerEntry(context, strProduct, L"/i /q /l check.txt") ||
        !MakesOneCallPerEntry(context, strBase, L"/i /q /l check.txt") ||
        !MakesOneCallPerEntry(context, strPlain, L"check.txt")) {
        fprintf(stderr, "bench: a list run did not make one install call per entry\n");
        return false;
    }
    DeleteFileW(context.WorkFile(L"check.txt").c_str());

    const std::wstring strListName = L"run-" + std::to_wstring(c_cEntries) + L".txt";
    if (!WriteInfList(context.WorkFile(strListName.c_str()), c_cEntries, &facts)) {
        fprintf(stderr, "bench: cannot write the run list\n");
        return false;
    }
    const std::wstring strProductArgs = L"/i /q /l " + strListName;
    const size_t nRounds = context.Rounds(c_nTimeRounds);
    printf("list run: 100,000 entries, %u rounds, as many with and without /o, then %u memory runs\n",
           static_cast<unsigned>(nRounds),
           static_cast<unsigned>(c_nMemoryRounds));
    fflush(stdout);

    const FnMeasure rgfn[3] = {
        [&](double* pd) { return TimeChild(strProduct, strProductArgs, context.strWork, c_dwTimeoutMs, pd); },
        [&](double* pd) { return TimeChild(strBase, strProductArgs, context.strWork, c_dwTimeoutMs, pd); },
        [&](double* pd) { return TimeChild(strPlain, strListName, context.strWork, c_dwTimeoutMs, pd); },
    };
    CSampleSet rgTimes[3];
    CSampleSet rgRatios[2];
    if (!MeasureWithBase(nRounds, rgfn, rgTimes, rgRatios)) {
        fprintf(stderr, "bench: a list run failed\n");
        return false;
    }
    const double dRatio = rgRatios[0].Median();
    pTable->Add({ "quiet list run 100,000 entries", FormatFigure(rgTimes[0].Median() * 1000.0, 0, "ms"),
                  FormatFigure(rgTimes[2].Median() * 1000.0, 0, "ms"), FormatRatio(dRatio), "<= 1.50x",
                  VerdictAtMost(dRatio, c_dTimeRatioMax) });
    pTable->Add({ "quiet list run 100,000 entries, exe of " TAVELIN_BENCH_BASE,
                  FormatFigure(rgTimes[1].Median() * 1000.0, 0, "ms"),
                  FormatFigure(rgTimes[2].Median() * 1000.0, 0, "ms"), FormatRatio(rgRatios[1].Median()),
                  "(the base, same rounds)", vInfo });
    if (!BenchLogCost(context, strProduct, strProductArgs, nRounds, pTable))
        return false;

    // Memory runs are separate: sampling the child's counters costs time.
    CSampleSet productPeak;
    CSampleSet plainPeak;
    CSampleSet idlePeak;
    for (size_t nRound = 0; nRound < c_nMemoryRounds; ++nRound) {
        if (!PeakOf(strProduct, strProductArgs, context.strWork, &productPeak) ||
            !PeakOf(strPlain, strListName, context.strWork, &plainPeak) ||
            !PeakOf(strIdle, L"", context.strWork, &idlePeak)) {
            fprintf(stderr, "bench: the memory counters of a child could not be read\n");
            return false;
        }
    }
    DeleteFileW(context.WorkFile(strListName.c_str()).c_str());

    // The 4 MiB allowance stands for what the process takes before it reads a
    // list. Under Wine a program that does nothing already holds far more
    // (Wine's own DLLs), so the floor measured here replaces it when larger.
    const double dUtf16MiB = static_cast<double>(facts.cbUtf16) / c_dMiB;
    const double dFloorMiB = idlePeak.Median();
    const double dFixedMiB = dFloorMiB > c_dMemoryFixedMiB ? dFloorMiB : c_dMemoryFixedMiB;
    const double dLimitMiB = 2.0 * dUtf16MiB + dFixedMiB;
    char szTarget[96];
    snprintf(szTarget, sizeof(szTarget), "<= 2 x %.1f + %.1f%s = %.1f MiB", dUtf16MiB, dFixedMiB,
             dFloorMiB > c_dMemoryFixedMiB ? " (floor)" : "", dLimitMiB);
    pTable->Add({ "peak working set, list run", FormatFigure(productPeak.Median(), 1, "MiB"),
                  FormatFigure(plainPeak.Median(), 1, "MiB"), FormatRatio(productPeak.Median() / plainPeak.Median()),
                  szTarget, VerdictAtMost(productPeak.Median(), dLimitMiB) });
    pTable->Add({ "peak working set, do-nothing program", FormatFigure(dFloorMiB, 1, "MiB"), "-", "-",
                  "(process floor)", vInfo });
    const double dAboveFloorMiB = productPeak.Median() - dFloorMiB;
    pTable->Add({ "list run memory above the floor", FormatFigure(dAboveFloorMiB, 1, "MiB"),
                  FormatFigure(plainPeak.Median() - dFloorMiB, 1, "MiB"),
                  FormatRatio(dAboveFloorMiB / (plainPeak.Median() - dFloorMiB)),
                  "(" + FormatRatio(dAboveFloorMiB / dUtf16MiB) + " the UTF-16 paths)", vInfo });
    char szNote[512];
    snprintf(szNote, sizeof(szNote),
             "list run: tavelin.exe /i /q /l vs. bench_plainrun.exe (plain reader + DriverPackageInstallW per entry, "
             "same imports), and the exe of " TAVELIN_BENCH_BASE " in the same rounds, stand-in journal off; with /o: the same tavelin.exe run with and without /o (a fresh log "
             "each run, three lines per entry); %.1f MiB of paths as UTF-16. Peak working set = largest "
             "PeakWorkingSetSize read from the running child every 1 ms (separate runs, median of %u); floor = "
             "bench_idle.exe.",
             dUtf16MiB, static_cast<unsigned>(c_nMemoryRounds));
    pTable->AddNote(szNote);
    return true;
}
