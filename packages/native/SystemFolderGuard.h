#pragma once

#include <windows.h>

// Where the file at pszFullPath really lies, judged by the file itself: its
// final path (every spelling of a path, \\?\ and \\.\ ones, subst drives and
// junctions included, leads to the same one) against the final paths of the
// Windows INF folder and of the driver store, which hold staged copies and
// the system's own INFs. Reached through a share, its folders are compared
// with those two by identity (volume and file index).
enum ESystemFolder
{
    systemFolderNone = 0,
    systemFolderInf = 1,
    systemFolderDriverStore = 2,
};

// 0 and *pFolder, or the error code when the file or the INF folder cannot
// be opened. A missing driver store guards nothing.
DWORD FindSystemFolder(LPCWSTR pszFullPath, ESystemFolder* pFolder);
