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
    // The end of the path holds the file name, which tells the packages apart.
    // It is kept behind "..." when there is room for more than the ellipsis,
    // alone otherwise; the kept part never starts inside a surrogate pair.
    const bool bEllipsis = cchRoom > c_cchEllipsis;
    size_t cchKeep = bEllipsis ? cchRoom - c_cchEllipsis : cchRoom;
    LPCWSTR pszTail = pszPath + (cchPath - cchKeep);
    if (IsLowSurrogate(*pszTail)) {
        ++pszTail;
        --cchKeep;
    }
    if (bEllipsis)
        cchUsed += CopyBounded(pszBuffer + cchUsed, c_szEllipsis, c_cchEllipsis);
    CopyBounded(pszBuffer + cchUsed, pszTail, cchKeep);
}
