#pragma once

#include <windows.h>

#include <string>

class CResultTable;

// Where the bench finds its programs and puts its files.
struct BENCH_CONTEXT
{
    // The build folder: tavelin.exe and the stand-in DIFXAPI.dll.
    std::wstring strBuild;
    // The folder of bench.exe and its yardstick programs.
    std::wstring strTools;
    // <build>\bench: every program as deployed (beside DIFXAPI.dll), and the
    // generated lists. The children run with it as their current folder.
    std::wstring strWork;
    // Fewer rounds, for trying out the bench itself; the figures are rougher.
    bool bQuick;

    std::wstring WorkFile(LPCWSTR pszName) const { return strWork + L"\\" + pszName; }
    size_t Rounds(size_t nFull) const { return bQuick ? (nFull + 3) / 4 : nFull; }
};

// The groups of figures; each adds its rows and notes to the table and
// returns false when it could not measure at all.
bool BenchListLoading(const BENCH_CONTEXT& context, CResultTable* pTable);
bool BenchStartup(const BENCH_CONTEXT& context, CResultTable* pTable);
bool BenchListRun(const BENCH_CONTEXT& context, CResultTable* pTable);
bool BenchImage(const BENCH_CONTEXT& context, CResultTable* pTable);
bool BenchStagedCopySearch(const BENCH_CONTEXT& context, CResultTable* pTable);
bool BenchVerify(const BENCH_CONTEXT& context, CResultTable* pTable);
bool BenchClean(const BENCH_CONTEXT& context, CResultTable* pTable);
