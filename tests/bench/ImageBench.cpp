// The size of tavelin.exe and the DLLs it imports, read from the file.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "BenchContext.h"
#include "Handles.h"
#include "PeImportTable.h"
#include "ResultTable.h"

namespace {

// The x64 exe's budget. It was 128 KiB before /c, the ARM64 build, the
// elevated run's safeguards and Windows' signature verdict came in; a quarter
// of the exe is its icon and manifest, which do not grow.
const double c_dSizeMaxKiB = 160.0;

std::string Lower(std::string str)
{
    for (char& ch : str)
        ch = static_cast<char>(tolower(static_cast<unsigned char>(ch)));
    return str;
}

bool StartsWith(const std::string& str, const char* pszPrefix)
{
    return str.compare(0, strlen(pszPrefix), pszPrefix) == 0;
}

// Every import must ship with Windows: found in the system folder, and not
// a compiler's or Visual C++'s runtime, which a user would have to install.
// DIFXAPI.dll is loaded at run time where it is present, never imported.
bool IsAllowedImport(const std::string& strName)
{
    const std::string strLower = Lower(strName);
    if (strLower == "difxapi.dll")
        return false;
    if (StartsWith(strLower, "lib") || StartsWith(strLower, "msvcp") || StartsWith(strLower, "vcruntime") ||
        StartsWith(strLower, "ucrtbased"))
        return false;
    WCHAR szSystem[MAX_PATH];
    const UINT cch = GetSystemDirectoryW(szSystem, MAX_PATH);
    if (cch == 0 || cch >= MAX_PATH)
        return false;
    const std::wstring strPath = std::wstring(szSystem) + L"\\" + std::wstring(strName.begin(), strName.end());
    return GetFileAttributesW(strPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool FileSize(const std::wstring& strPath, ULONGLONG* pcb)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(strPath.c_str(), GetFileExInfoStandard, &data))
        return false;
    *pcb = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

} // namespace

bool BenchImage(const BENCH_CONTEXT& context, CResultTable* pTable)
{
    const std::wstring strExe = context.strBuild + L"\\tavelin.exe";
    ULONGLONG cbExe = 0;
    ULONGLONG cbIdle = 0;
    if (!FileSize(strExe, &cbExe) || !FileSize(context.WorkFile(L"bench_idle.exe"), &cbIdle)) {
        fprintf(stderr, "bench: cannot read the size of %ls\n", strExe.c_str());
        return false;
    }
    const double dKiB = static_cast<double>(cbExe) / 1024.0;
    const double dIdleKiB = static_cast<double>(cbIdle) / 1024.0;
    pTable->Add({ "tavelin.exe size", FormatFigure(dKiB, 1, "KiB"), FormatFigure(dIdleKiB, 1, "KiB"),
                  FormatRatio(dKiB / dIdleKiB), "<= 160 KiB", VerdictAtMost(dKiB, c_dSizeMaxKiB) });

    std::vector<std::string> names;
    std::string strError;
    if (!ReadPeImports(strExe, &names, &strError)) {
        fprintf(stderr, "bench: %ls: %s\n", strExe.c_str(), strError.c_str());
        return false;
    }
    std::string strNames;
    std::string strOffending;
    for (const std::string& strName : names) {
        strNames += (strNames.empty() ? "" : " ") + strName;
        if (!IsAllowedImport(strName))
            strOffending += " " + strName;
    }
    pTable->Add({ "tavelin.exe imports", strNames, "-", "-", "system DLLs only",
                  strOffending.empty() ? vPass : vFail });
    pTable->AddNote("size: baseline column is bench_idle.exe, a static do-nothing GUI program of the same "
                    "toolchain; imports read from the PE import and delay-load tables of the file.");
    if (!strOffending.empty())
        pTable->AddNote("imports not shipped with Windows:" + strOffending);
    return true;
}
