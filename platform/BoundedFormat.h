#pragma once

#include <windows.h>

#include <cstdarg>

// Formats into pszBuffer (cchBuffer units, at least one): a text too long is
// cut, and the buffer always ends terminated, which _vsnwprintf does not
// promise for a text that fills it.
void FormatBoundedV(LPWSTR pszBuffer, size_t cchBuffer, LPCWSTR pszFormat, va_list args);
void FormatBounded(LPWSTR pszBuffer, size_t cchBuffer, LPCWSTR pszFormat, ...);

// pszFirst followed by pszSecond into pszBuffer (cchBuffer units). Unlike a
// format, a text that does not fit is not cut: false, and nothing is to be
// used, since a cut path or section name names something else.
bool JoinBounded(LPCWSTR pszFirst, LPCWSTR pszSecond, LPWSTR pszBuffer, size_t cchBuffer);
