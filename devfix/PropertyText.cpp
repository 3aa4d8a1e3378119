#include "devfix/PropertyText.h"

namespace {

// Little-endian unit i, assembled from bytes: the data need not be aligned.
WCHAR UnitAt(const BYTE* pbData, size_t iUnit)
{
    return static_cast<WCHAR>(pbData[2 * iUnit] | (pbData[2 * iUnit + 1] << 8));
}

// Units of the string that starts at iFirst, up to its terminator or cUnits.
size_t StringLength(const BYTE* pbData, size_t cUnits, size_t iFirst)
{
    size_t i = iFirst;
    while (i < cUnits && UnitAt(pbData, i) != L'\0')
        ++i;
    return i - iFirst;
}

// Compares cch units (none of them a terminator) at iFirst with pszText,
// reading pszText no further than its own terminator.
bool StringEquals(const BYTE* pbData, size_t iFirst, size_t cch, LPCWSTR pszText)
{
    for (size_t k = 0; k < cch; ++k) {
        if (pszText[k] == L'\0' || UnitAt(pbData, iFirst + k) != pszText[k])
            return false;
    }
    return pszText[cch] == L'\0';
}

} // namespace

bool RegSzEquals(const BYTE* pbData, DWORD cbData, LPCWSTR pszText)
{
    const size_t cUnits = cbData / sizeof(WCHAR);
    return StringEquals(pbData, 0, StringLength(pbData, cUnits, 0), pszText);
}

bool MultiSzContains(const BYTE* pbData, DWORD cbData, LPCWSTR pszText)
{
    const size_t cUnits = cbData / sizeof(WCHAR);
    size_t i = 0;
    while (i < cUnits) {
        const size_t cch = StringLength(pbData, cUnits, i);
        if (cch == 0)
            return false;
        if (StringEquals(pbData, i, cch, pszText))
            return true;
        // Past the terminator; past the end when the last string has none.
        i += cch + 1;
    }
    return false;
}
