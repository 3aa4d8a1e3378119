#include "StatusText.h"

#include <cwchar>

namespace {

const WCHAR c_szEllipsis[] = L"...";
const size_t c_cchEllipsis = ARRAYSIZE(c_szEllipsis) - 1;

// Copies at most cch characters of psz to pszDest, which has room for them
// and a terminator. Returns the number copied.
size_t CopyBounded(LPWSTR pszDest, LPCWSTR psz, size_t cch)
{
    size_t i = 0;
    for (; i < cch && psz[i] != L'\0'; ++i)
        pszDest[i] = psz[i];
    pszDest[i] = L'\0';
    return i;
}

bool IsLowSurrogate(WCHAR ch)
{
    return ch >= 0xDC00 && ch <= 0xDFFF;
}

} // namespace

void FormatPackageStatus(LPWSTR pszBuffer, size_t cchBuffer, LPCWSTR pszOperation, LPCWSTR pszPath)
{
    if (!pszBuffer || cchBuffer == 0)
        return;
    pszBuffer[0] = L'\0';
    if (!pszOperation)
        pszOperation = L"";
    if (!pszPath)
        pszPath = L"";

    size_t cchUsed = CopyBounded(pszBuffer, pszOperation, cchBuffer - 1);
    if (cchUsed + 1 >= cchBuffer)
        return;
    pszBuffer[cchUsed++] = L' ';
    pszBuffer[cchUsed] = L'\0';

    const size_t cchRoom = cchBuffer - 1 - cchUsed;
    const size_t cchPath = wcslen(pszPath);
    if (cchPath <= cchRoom) {
        CopyBounded(pszBuffer + cchUsed, pszPath, cchPath);
        return;
    }
    if (cchRoom <= c_cchEllipsis) {
        CopyBounded(pszBuffer + cchUsed, pszPath, cchRoom);
        return;
    }
    // Keep the end of the path; never start the kept part in the middle of
    // a surrogate pair.
    size_t cchKeep = cchRoom - c_cchEllipsis;
    LPCWSTR pszTail = pszPath + (cchPath - cchKeep);
    if (IsLowSurrogate(*pszTail)) {
        ++pszTail;
        --cchKeep;
    }
    cchUsed += CopyBounded(pszBuffer + cchUsed, c_szEllipsis, c_cchEllipsis);
    CopyBounded(pszBuffer + cchUsed, pszTail, cchKeep);
}
