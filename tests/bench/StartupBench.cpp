// Start-up: a quiet run of an empty list, whole process, against a GUI
// program that loads the same DLLs and does nothing.
#include <cstdio>

#include "BenchContext.h"
#include "ChildProcess.h"
#include "ListFileWriter.h"
#include "PairedRuns.h"
#include "ResultTable.h"

namespace {

// A start under Wine takes 40 to 120 ms on a busy machine; many short pairs
// keep the median ratio within a few percent.
const size_t c_nRounds = 121;
const DWORD c_dwTimeoutMs = 60000;
const double c_dRatioMax = 1.10;

} // namespace

bool BenchStartup(const BENCH_CONTEXT& context, CResultTable* pTable)
{
    if (!WriteEmptyInfList(context.WorkFile(L"empty.txt"))) {
        fprintf(stderr, "bench: cannot write the empty list\n");
        return false;
    }
    const size_t nRounds = context.Rounds(c_nRounds);
    printf("start-up: %u rounds\n", static_cast<unsigned>(nRounds));
    fflush(stdout);

    const std::wstring strArgs = L"/i /q /l empty.txt";
    const std::wstring strProduct = context.WorkFile(L"tavelin.exe");
    const std::wstring strIdle = context.WorkFile(L"bench_idle.exe");
    PAIRED_SAMPLES samples;
    if (!MeasurePaired(
            nRounds, [&](double* pd) { return TimeChild(strProduct, strArgs, context.strWork, c_dwTimeoutMs, pd); },
            [&](double* pd) { return TimeChild(strIdle, strArgs, context.strWork, c_dwTimeoutMs, pd); }, &samples)) {
        fprintf(stderr, "bench: a start-up run failed\n");
        return false;
    }

    const double dRatio = samples.ratio.Median();
    pTable->Add({ "start-up, quiet run of an empty list", FormatFigure(samples.product.Median() * 1000.0, 1, "ms"),
                  FormatFigure(samples.baseline.Median() * 1000.0, 1, "ms"), FormatRatio(dRatio), "<= 1.10x",
                  VerdictAtMost(dRatio, c_dRatioMax) });
    char szNote[400];
    snprintf(szNote, sizeof(szNote),
             "start-up: CreateProcessW to exit, tavelin.exe /i /q /l empty.txt vs. bench_idle.exe (same imports, "
             "returns 0), both beside the stand-in DIFXAPI.dll; %u pairs, ratio quartiles %.2fx..%.2fx; fastest "
             "runs %.1f vs. %.1f ms (%.2fx).",
             static_cast<unsigned>(samples.ratio.Count()), samples.ratio.Quantile(0.25), samples.ratio.Quantile(0.75),
             samples.product.Min() * 1000.0, samples.baseline.Min() * 1000.0,
             samples.product.Min() / samples.baseline.Min());
    pTable->AddNote(szNote);
    return true;
}
