#pragma once

#include <windows.h>

// The two questions asked of a freshly opened file, as a table: tests put in
// answers the test platform never gives (Wine has no reparse points).
struct FILE_QUERY_API
{
    DWORD(WINAPI* pfnGetFileType)(HANDLE hFile);
    BOOL(WINAPI* pfnGetFileInformationByHandle)(HANDLE hFile, LPBY_HANDLE_FILE_INFORMATION pInfo);
};

// The system's own calls unless a test replaced them.
extern FILE_QUERY_API g_fileQueryApi;

// True when hFile is a file on a disk, no reparse point, and reachable by
// one name only. A file that fails any of these, or that cannot be asked,
// may stand for another one an elevated writer must never touch.
bool IsOrdinaryDiskFile(HANDLE hFile);
