#include "verify/DriverVersion.h"

namespace {

// Reads cDigitsMin to cDigitsMax decimal digits at *ppsz into *pdwValue and
// moves past them. False when there are fewer or more digits.
bool ParseDigits(LPCWSTR* ppsz, int cDigitsMin, int cDigitsMax, DWORD* pdwValue)
{
    LPCWSTR p = *ppsz;
    DWORD dwValue = 0;
    int cDigits = 0;
    for (; *p >= L'0' && *p <= L'9'; ++p, ++cDigits) {
        if (cDigits == cDigitsMax)
            return false;
        dwValue = dwValue * 10 + static_cast<DWORD>(*p - L'0');
    }
    *ppsz = p;
    *pdwValue = dwValue;
    return cDigits >= cDigitsMin;
}

bool IsLeapYear(DWORD dwYear)
{
    return (dwYear % 4 == 0 && dwYear % 100 != 0) || dwYear % 400 == 0;
}

DWORD DaysInMonth(DWORD dwMonth, DWORD dwYear)
{
    static const DWORD c_adwDays[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    return dwMonth == 2 && IsLeapYear(dwYear) ? 29 : c_adwDays[dwMonth - 1];
}

int Compare(DWORD a, DWORD b)
{
    return a < b ? -1 : a > b ? 1 : 0;
}

} // namespace

bool ParseDriverDate(LPCWSTR pszDate, WCHAR chSeparator, DRIVER_VERSION* pVersion)
{
    LPCWSTR p = pszDate;
    DWORD dwMonth = 0;
    DWORD dwDay = 0;
    DWORD dwYear = 0;
    if (!p || !ParseDigits(&p, 1, 2, &dwMonth) || *p++ != chSeparator || !ParseDigits(&p, 1, 2, &dwDay) ||
        *p++ != chSeparator || !ParseDigits(&p, 4, 4, &dwYear) || *p != L'\0')
        return false;
    // Windows keeps a driver's date as a FILETIME, which starts in 1601.
    if (dwMonth < 1 || dwMonth > 12 || dwYear < 1601 || dwDay < 1 || dwDay > DaysInMonth(dwMonth, dwYear))
        return false;
    pVersion->wYear = static_cast<WORD>(dwYear);
    pVersion->wMonth = static_cast<WORD>(dwMonth);
    pVersion->wDay = static_cast<WORD>(dwDay);
    return true;
}

bool ParseDriverVersionNumber(LPCWSTR pszVersion, DRIVER_VERSION* pVersion)
{
    if (!pszVersion)
        return false;
    WORD awPart[4] = {};
    LPCWSTR p = pszVersion;
    for (int iPart = 0;; ++iPart) {
        DWORD dwPart = 0;
        if (!ParseDigits(&p, 1, 5, &dwPart) || dwPart > 0xFFFF)
            return false;
        awPart[iPart] = static_cast<WORD>(dwPart);
        if (*p == L'\0')
            break;
        if (*p++ != L'.' || iPart == 3)
            return false;
    }
    for (int i = 0; i < 4; ++i)
        pVersion->awPart[i] = awPart[i];
    return true;
}

int CompareDriverVersions(const DRIVER_VERSION& a, const DRIVER_VERSION& b)
{
    const DWORD adwA[] = { a.wYear, a.wMonth, a.wDay, a.awPart[0], a.awPart[1], a.awPart[2], a.awPart[3] };
    const DWORD adwB[] = { b.wYear, b.wMonth, b.wDay, b.awPart[0], b.awPart[1], b.awPart[2], b.awPart[3] };
    for (size_t i = 0; i < ARRAYSIZE(adwA); ++i) {
        if (const int n = Compare(adwA[i], adwB[i]))
            return n;
    }
    return 0;
}
