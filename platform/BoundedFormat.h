#pragma once

#include <windows.h>

#include <cstdarg>

// Formats into pszBuffer (cchBuffer units, at least one): a text too long is
// cut, and the buffer always ends terminated, which _vsnwprintf does not
// promise for a text that fills it.
void FormatBoundedV(LPWSTR pszBuffer, size_t cchBuffer, LPCWSTR pszFormat, va_list args);
void FormatBounded(LPWSTR pszBuffer, size_t cchBuffer, LPCWSTR pszFormat, ...);
