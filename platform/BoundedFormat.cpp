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

bool JoinBounded(LPCWSTR pszFirst, LPCWSTR pszSecond, LPWSTR pszBuffer, size_t cchBuffer)
{
    const size_t cchFirst = wcslen(pszFirst);
    const size_t cchSecond = wcslen(pszSecond);
    if (cchFirst + cchSecond >= cchBuffer)
        return false;
    wmemcpy(pszBuffer, pszFirst, cchFirst);
    wmemcpy(pszBuffer + cchFirst, pszSecond, cchSecond + 1);
    return true;
}
