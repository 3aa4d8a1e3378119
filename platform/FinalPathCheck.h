#pragma once

#include <windows.h>

// Whether the open file hFile is the very file that pszPath names, with no
// link in any folder above it: its final path (every link resolved) must
// equal the full path as given. Both are compared in one spelling: short
// names made long, and the root (drive, share, or \\?\ and \\.\ forms of
// them, a volume GUID) replaced by its own final path, so that a subst drive
// or a share names its folder. Letter case does not count. False also when
// a path cannot be resolved.
bool IsFileAtGivenPath(HANDLE hFile, LPCWSTR pszPath);
