#pragma once

#include <windows.h>

// A driver's date and version, as DriverVer gives them.
struct DRIVER_VERSION
{
    WORD wYear;
    WORD wMonth;
    WORD wDay;
    WORD awPart[4];
};

// A date month, day, year with chSeparator between them (DriverVer writes
// '/', a device's driver key '-'): month and day of one or two digits, a
// year of four from 1601 on, and a day that the month has. False for anything else.
bool ParseDriverDate(LPCWSTR pszDate, WCHAR chSeparator, DRIVER_VERSION* pVersion);

// A version of one to four parts separated by dots, each 0-65535; parts not
// given are 0. False for anything else.
bool ParseDriverVersionNumber(LPCWSTR pszVersion, DRIVER_VERSION* pVersion);

// Date first, then version, as Windows ranks drivers. Negative, zero or
// positive like a comparison.
int CompareDriverVersions(const DRIVER_VERSION& a, const DRIVER_VERSION& b);
