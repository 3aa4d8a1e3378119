// List loading: CDriverPackageBatch::LoadInfList against the plain reader, in
// this process, on lists of 10,000 to 1,000,000 lines.
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "BenchContext.h"
#include "ListFileWriter.h"
#include "PairedRuns.h"
#include "PlainInfList.h"
#include "ResultTable.h"
#include "Stopwatch.h"
#include "packages/DriverPackageBatch.h"

namespace {

struct LIST_SIZE
{
    size_t cEntries;
    // Pairs per round: short loads are repeated so that every size gets a
    // fair number of samples in every round.
    size_t nRepeats;
};

const LIST_SIZE c_rgSizes[] = {
    { 10000, 9 },
    { 100000, 3 },
    { 1000000, 1 },
};
const size_t c_cSizes = sizeof(c_rgSizes) / sizeof(c_rgSizes[0]);
const size_t c_nRounds = 9;

const double c_dLoadRatioMax = 1.5;
const double c_dGrowthMax = 1.5;

std::wstring ListName(size_t cEntries)
{
    return L"list-" + std::to_wstring(cEntries) + L".txt";
}

std::string CountText(size_t c)
{
    std::string str = std::to_string(c);
    for (size_t nAt = str.size(); nAt > 3; nAt -= 3)
        str.insert(nAt - 3, ",");
    return str;
}

size_t CountEntries(const INF_ENTRY* pEntry)
{
    size_t c = 0;
    for (; pEntry; pEntry = pEntry->pNext)
        ++c;
    return c;
}

// The timed part is LoadInfList alone; building the batch and freeing the
// entries are not.
bool TimeBatchLoad(const std::wstring& strList, size_t cExpected, double* pdSeconds)
{
    CDriverPackageBatch batch(nullptr);
    if (!batch.m_strListFile.Assign(strList.c_str()))
        return false;
    CStopwatch stopwatch;
    const bool bLoaded = batch.LoadInfList();
    *pdSeconds = stopwatch.Seconds();
    return bLoaded && CountEntries(batch.m_entries.First()) == cExpected;
}

bool TimePlainLoad(const std::wstring& strList, size_t cExpected, double* pdSeconds)
{
    CPlainInfList list;
    CStopwatch stopwatch;
    const bool bLoaded = list.Load(strList.c_str());
    *pdSeconds = stopwatch.Seconds();
    return bLoaded && list.Count() == cExpected;
}

// Both readers must deliver the same paths, or the comparison means nothing.
bool ReadersAgree(const std::wstring& strList)
{
    CDriverPackageBatch batch(nullptr);
    CPlainInfList list;
    if (!batch.m_strListFile.Assign(strList.c_str()) || !batch.LoadInfList() || !list.Load(strList.c_str()))
        return false;
    const INF_ENTRY* pEntry = batch.m_entries.First();
    const PLAIN_INF_NODE* pNode = list.First();
    for (; pEntry && pNode; pEntry = pEntry->pNext, pNode = pNode->pNext) {
        if (wcscmp(pEntry->pszPath, pNode->szPath) != 0)
            return false;
    }
    return !pEntry && !pNode;
}

double NsPerLine(double dSeconds, size_t cLines)
{
    return dSeconds * 1e9 / static_cast<double>(cLines);
}

// The samples of one list size.
struct SIZE_SAMPLES
{
    std::wstring strList;
    PAIRED_SAMPLES paired;
    // ns/line of LoadInfList, the median of each round.
    std::vector<double> rgdRoundNs;
    std::vector<double> rgdRoundBaselineNs;
};

bool PrepareList(const BENCH_CONTEXT& context, const LIST_SIZE& size, SIZE_SAMPLES* pSamples)
{
    pSamples->strList = context.WorkFile(ListName(size.cEntries).c_str());
    LIST_FILE_FACTS facts;
    if (!WriteInfList(pSamples->strList, size.cEntries, &facts)) {
        fprintf(stderr, "bench: cannot write %ls\n", pSamples->strList.c_str());
        return false;
    }
    if (!ReadersAgree(pSamples->strList)) {
        fprintf(stderr, "bench: the two readers disagree on %ls\n", pSamples->strList.c_str());
        return false;
    }
    return true;
}

// One round: every size in turn, each as nRepeats interleaved pairs.
bool MeasureRound(size_t nRound, SIZE_SAMPLES* rgSamples)
{
    for (size_t nSize = 0; nSize < c_cSizes; ++nSize) {
        const LIST_SIZE& size = c_rgSizes[nSize];
        SIZE_SAMPLES& samples = rgSamples[nSize];
        PAIRED_SAMPLES round;
        // The order flips every pair, and an odd round starts the other way
        // round. The readers were warmed up when the lists were checked.
        PAIRED_OPTIONS options;
        options.bWarmUp = false;
        options.bBaselineFirst = nRound % 2 != 0;
        if (!MeasurePaired(
                size.nRepeats,
                [&](double* pd) { return TimeBatchLoad(samples.strList, size.cEntries, pd); },
                [&](double* pd) { return TimePlainLoad(samples.strList, size.cEntries, pd); }, &round, options)) {
            fprintf(stderr, "bench: loading %ls failed\n", samples.strList.c_str());
            return false;
        }
        samples.paired.Append(round);
        samples.rgdRoundNs.push_back(NsPerLine(round.product.Median(), size.cEntries));
        samples.rgdRoundBaselineNs.push_back(NsPerLine(round.baseline.Median(), size.cEntries));
    }
    return true;
}

// Median over the rounds of last/first: both taken in the same round, so a
// busy spell on the machine does not pass for growth.
double GrowthMedian(const std::vector<double>& rgdFirst, const std::vector<double>& rgdLast)
{
    CSampleSet growth;
    for (size_t i = 0; i < rgdFirst.size() && i < rgdLast.size(); ++i)
        growth.Add(rgdLast[i] / rgdFirst[i]);
    return growth.Median();
}

} // namespace

bool BenchListLoading(const BENCH_CONTEXT& context, CResultTable* pTable)
{
    SIZE_SAMPLES rgSamples[c_cSizes];
    for (size_t nSize = 0; nSize < c_cSizes; ++nSize) {
        if (!PrepareList(context, c_rgSizes[nSize], &rgSamples[nSize]))
            return false;
    }
    const size_t nRounds = context.Rounds(c_nRounds);
    printf("list loading: 10,000 / 100,000 / 1,000,000 lines, %u rounds\n", static_cast<unsigned>(nRounds));
    fflush(stdout);
    for (size_t nRound = 0; nRound < nRounds; ++nRound) {
        if (!MeasureRound(nRound, rgSamples))
            return false;
    }
    for (const SIZE_SAMPLES& samples : rgSamples)
        DeleteFileW(samples.strList.c_str());

    for (size_t nSize = 0; nSize < c_cSizes; ++nSize) {
        const size_t cEntries = c_rgSizes[nSize].cEntries;
        const PAIRED_SAMPLES& paired = rgSamples[nSize].paired;
        const double dRatio = paired.ratio.Median();
        pTable->Add({ "list load " + CountText(cEntries) + " lines",
                      FormatFigure(NsPerLine(paired.product.Median(), cEntries), 0, "ns/line"),
                      FormatFigure(NsPerLine(paired.baseline.Median(), cEntries), 0, "ns/line"), FormatRatio(dRatio),
                      "<= 1.50x", VerdictAtMost(dRatio, c_dLoadRatioMax) });
    }

    const SIZE_SAMPLES& first = rgSamples[0];
    const SIZE_SAMPLES& last = rgSamples[c_cSizes - 1];
    const double dGrowth = GrowthMedian(first.rgdRoundNs, last.rgdRoundNs);
    pTable->Add({ "list load ns/line, 1,000,000 vs 10,000",
                  FormatFigure(NsPerLine(last.paired.product.Median(), c_rgSizes[c_cSizes - 1].cEntries), 0, "ns/line"),
                  FormatFigure(NsPerLine(first.paired.product.Median(), c_rgSizes[0].cEntries), 0, "ns/line"),
                  FormatRatio(dGrowth), "<= 1.50x", VerdictAtMost(dGrowth, c_dGrowthMax) });
    char szNote[400];
    snprintf(szNote, sizeof(szNote),
             "list load: LoadInfList vs. the plain fgets/MultiByteToWideChar/malloc reader in this process; every "
             "round loads each size (10,000 x9, 100,000 x3, 1,000,000 x1 pairs, order flipping); ratio = median "
             "of per-pair ratios; growth = median of per-round 1,000,000/10,000 ns/line (value = 1,000,000, "
             "baseline column = 10,000). The plain reader grows %.2fx.",
             GrowthMedian(first.rgdRoundBaselineNs, last.rgdRoundBaselineNs));
    pTable->AddNote(szNote);
    return true;
}
