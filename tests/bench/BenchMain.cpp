// bench.exe [--quick] [--only GROUP] BUILD_DIR
//
// GROUP is one of listload, startup, listrun, image, staged: that group alone, for
// looking into one figure.
// Measures tavelin against yardsticks built by the same toolchain, side by
// side in one run, and prints the figures as a table; the same table goes to
// BUILD_DIR\bench.csv. Runs under Wine through the build's wine-run.sh (make
// bench). Exit code 0 when everything was measured, whether or not every
// target was met; 1 when a measurement could not be taken.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "BenchContext.h"
#include "ResultTable.h"

namespace {

// Stand-in knobs that would add work to every DIFx call.
const LPCWSTR c_rgpszStandInKnobs[] = {
    L"DIFXSTUB_JOURNAL",
    L"DIFXSTUB_THREADS",
    L"DIFXSTUB_DELAY_MS",
    L"DIFXSTUB_UNREGISTER_DELAY_MS",
    L"DIFXSTUB_EVENT_THREADS",
};

bool FullPath(LPCWSTR pszPath, std::wstring* pstrFull)
{
    WCHAR szFull[MAX_PATH];
    const DWORD cch = GetFullPathNameW(pszPath, MAX_PATH, szFull, nullptr);
    if (cch == 0 || cch >= MAX_PATH)
        return false;
    *pstrFull = szFull;
    while (pstrFull->size() > 3 && pstrFull->back() == L'\\')
        pstrFull->pop_back();
    return true;
}

bool ModuleFolder(std::wstring* pstrFolder)
{
    WCHAR szModule[MAX_PATH];
    const DWORD cch = GetModuleFileNameW(nullptr, szModule, MAX_PATH);
    if (cch == 0 || cch >= MAX_PATH)
        return false;
    std::wstring str(szModule, cch);
    const size_t nSlash = str.find_last_of(L"\\/");
    if (nSlash == std::wstring::npos)
        return false;
    *pstrFolder = str.substr(0, nSlash);
    return true;
}

// Puts every program beside the stand-in DIFXAPI.dll, as a user deploys it.
bool StageWorkFolder(const BENCH_CONTEXT& context)
{
    CreateDirectoryW(context.strWork.c_str(), nullptr);
    const struct
    {
        const std::wstring* pstrFrom;
        LPCWSTR pszName;
    } rgCopies[] = {
        { &context.strBuild, L"tavelin.exe" },
        { &context.strBuild, L"DIFXAPI.dll" },
        { &context.strTools, L"bench_idle.exe" },
        { &context.strTools, L"bench_plainrun.exe" },
    };
    for (const auto& copy : rgCopies) {
        const std::wstring strFrom = *copy.pstrFrom + L"\\" + copy.pszName;
        if (!CopyFileW(strFrom.c_str(), context.WorkFile(copy.pszName).c_str(), FALSE)) {
            fprintf(stderr, "bench: cannot copy %ls (error %lu)\n", strFrom.c_str(), GetLastError());
            return false;
        }
    }
    // The base commit's exe, beside the same DIFXAPI.dll.
    const std::wstring strBase = context.strBuild + L"\\bench-base\\build\\tavelin.exe";
    if (!CopyFileW(strBase.c_str(), context.WorkFile(L"tavelin-base.exe").c_str(), FALSE)) {
        fprintf(stderr, "bench: cannot copy %ls (error %lu)\n", strBase.c_str(), GetLastError());
        return false;
    }
    return true;
}

void PrintSetting()
{
    // Wine's ntdll exports its version; Windows' does not.
    typedef const char*(CDECL * PFN_WINE_GET_VERSION)();
    HMODULE hNtdll = GetModuleHandleW(L"ntdll.dll");
    FARPROC pfn = hNtdll ? GetProcAddress(hNtdll, "wine_get_version") : nullptr;
    PFN_WINE_GET_VERSION pfnWineVersion = reinterpret_cast<PFN_WINE_GET_VERSION>(reinterpret_cast<void*>(pfn));
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    printf("tavelin bench: %s, %lu processors, ANSI code page %u\n\n",
           pfnWineVersion ? (std::string("Wine ") + pfnWineVersion()).c_str() : "Windows", si.dwNumberOfProcessors,
           GetACP());
}

struct BENCH_GROUP
{
    LPCWSTR pszName;
    bool (*pfnBench)(const BENCH_CONTEXT& context, CResultTable* pTable);
};

const BENCH_GROUP c_rgGroups[] = {
    { L"listload", &BenchListLoading },
    { L"startup", &BenchStartup },
    { L"listrun", &BenchListRun },
    { L"image", &BenchImage },
    { L"staged", &BenchStagedCopySearch },
    { L"verify", &BenchVerify },
    { L"clean", &BenchClean },
};

bool IsGroup(LPCWSTR pszName)
{
    for (const BENCH_GROUP& group : c_rgGroups) {
        if (wcscmp(group.pszName, pszName) == 0)
            return true;
    }
    return false;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    BENCH_CONTEXT context;
    context.bQuick = false;
    LPCWSTR pszBuild = nullptr;
    LPCWSTR pszOnly = nullptr;
    bool bUsage = false;
    for (int i = 1; i < argc && !bUsage; ++i) {
        if (wcscmp(argv[i], L"--quick") == 0)
            context.bQuick = true;
        else if (wcscmp(argv[i], L"--only") == 0 && i + 1 < argc && IsGroup(argv[i + 1]))
            pszOnly = argv[++i];
        else if (argv[i][0] != L'-' && !pszBuild)
            pszBuild = argv[i];
        else
            bUsage = true;
    }
    if (bUsage || !pszBuild) {
        fprintf(stderr, "usage: bench.exe [--quick] [--only listload|startup|listrun|image|staged|verify|clean] BUILD_DIR\n");
        return 1;
    }
    if (!FullPath(pszBuild, &context.strBuild) || !ModuleFolder(&context.strTools)) {
        fprintf(stderr, "bench: cannot resolve the build folder\n");
        return 1;
    }
    context.strWork = context.strBuild + L"\\bench";
    for (LPCWSTR pszKnob : c_rgpszStandInKnobs)
        SetEnvironmentVariableW(pszKnob, nullptr);
    if (!StageWorkFolder(context))
        return 1;

    PrintSetting();
    CResultTable table;
    for (const BENCH_GROUP& group : c_rgGroups) {
        if (pszOnly && wcscmp(pszOnly, group.pszName) != 0)
            continue;
        if (!group.pfnBench(context, &table))
            return 1;
    }

    printf("\n");
    table.Print();
    const std::wstring strCsv = context.strBuild + L"\\bench.csv";
    if (!table.WriteCsv(strCsv)) {
        fprintf(stderr, "bench: cannot write %ls\n", strCsv.c_str());
        return 1;
    }
    printf("Written to %ls\n", strCsv.c_str());
    return 0;
}
