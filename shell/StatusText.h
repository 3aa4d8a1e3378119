#pragma once

#include <windows.h>

// The status text of a package that is about to be handled: the operation
// text, a blank and the INF path, in pszBuffer of cchBuffer characters
// (terminated). The operation text and the blank stay whole as far as the
// buffer allows; a path too long for the rest of the buffer keeps its end (the
// file name) behind "...", or without the "..." when the rest has room for no
// more than three characters.
void FormatPackageStatus(LPWSTR pszBuffer, size_t cchBuffer, LPCWSTR pszOperation, LPCWSTR pszPath);
