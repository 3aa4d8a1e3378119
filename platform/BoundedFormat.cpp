#include "platform/BoundedFormat.h"

#include <cwchar>

void FormatBoundedV(LPWSTR pszBuffer, size_t cchBuffer, LPCWSTR pszFormat, va_list args)
{
    _vsnwprintf(pszBuffer, cchBuffer - 1, pszFormat, args);
    pszBuffer[cchBuffer - 1] = L'\0';
}

void FormatBounded(LPWSTR pszBuffer, size_t cchBuffer, LPCWSTR pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    FormatBoundedV(pszBuffer, cchBuffer, pszFormat, args);
    va_end(args);
}
