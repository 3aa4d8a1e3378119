#pragma once

#include <windows.h>

#include <string>

// What a generated INF list holds.
struct LIST_FILE_FACTS
{
    size_t cEntries;
    ULONGLONG cbFile;
    // The paths as UTF-16 with their terminators: what a reader that keeps
    // every path must hold at the least.
    ULONGLONG cbUtf16;
};

// Writes an INF list of cEntries paths as an installer would ship it: the
// header, then one path per line, ANSI, CR LF. The paths look like real
// deployment folders (40 to 80 bytes, some with a non-ASCII letter) and are the
// same on every run.
bool WriteInfList(const std::wstring& strPath, size_t cEntries, LIST_FILE_FACTS* pFacts);

// A list with the header line only.
bool WriteEmptyInfList(const std::wstring& strPath);
