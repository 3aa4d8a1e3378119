#include "inf/ModelsDecoration.h"

#include "platform/DllSearch.h"

namespace {

// A decoration's requirements; a field that is not given is not checked.
struct DECORATION
{
    DWORD adwField[5]; // major, minor, product type, suite mask, build
    bool abGiven[5];
};

enum
{
    fieldMajor,
    fieldMinor,
    fieldProductType,
    fieldSuiteMask,
    fieldBuild,
    cFields,
};

WCHAR FoldAscii(WCHAR ch)
{
    return (ch >= L'A' && ch <= L'Z') ? static_cast<WCHAR>(ch - L'A' + L'a') : ch;
}

// Parses one field up to '.' or the end: decimal, or hexadecimal behind 0x
// (suite masks are written so). False for anything else or an overflow.
bool ParseField(LPCWSTR* ppsz, DWORD* pdwValue, bool* pbGiven)
{
    LPCWSTR p = *ppsz;
    DWORD dwBase = 10;
    if (p[0] == L'0' && FoldAscii(p[1]) == L'x') {
        dwBase = 16;
        p += 2;
    }
    DWORD dwValue = 0;
    int cDigits = 0;
    for (; *p && *p != L'.'; ++p, ++cDigits) {
        const WCHAR ch = FoldAscii(*p);
        DWORD dwDigit;
        if (ch >= L'0' && ch <= L'9')
            dwDigit = ch - L'0';
        else if (dwBase == 16 && ch >= L'a' && ch <= L'f')
            dwDigit = ch - L'a' + 10;
        else
            return false;
        if (cDigits >= 8)
            return false;
        dwValue = dwValue * dwBase + dwDigit;
    }
    *pbGiven = cDigits > 0;
    *pdwValue = dwValue;
    *ppsz = p;
    return dwBase == 10 || cDigits > 0;
}

bool ParseDecoration(LPCWSTR psz, EMachineArchitecture architecture, DECORATION* pDecoration)
{
    *pDecoration = {};
    if (FoldAscii(psz[0]) != L'n' || FoldAscii(psz[1]) != L't')
        return false;
    LPCWSTR p = psz + 2;
    // The decoration is lower case and ends at its terminator.
    for (LPCWSTR pszArchitecture = ArchitectureDecoration(architecture); *pszArchitecture; ++pszArchitecture, ++p) {
        if (FoldAscii(*p) != *pszArchitecture)
            return false;
    }
    for (int iField = 0; *p; ++iField) {
        if (*p != L'.' || iField == cFields)
            return false;
        ++p;
        if (!ParseField(&p, &pDecoration->adwField[iField], &pDecoration->abGiven[iField]))
            return false;
    }
    return true;
}

bool Applies(const DECORATION& d, const OS_TARGET& os)
{
    if (d.abGiven[fieldMajor] || d.abGiven[fieldMinor]) {
        const DWORD dwMinor = d.abGiven[fieldMinor] ? d.adwField[fieldMinor] : 0;
        if (os.dwMajor < d.adwField[fieldMajor] || (os.dwMajor == d.adwField[fieldMajor] && os.dwMinor < dwMinor))
            return false;
    }
    if (d.abGiven[fieldProductType] && os.dwProductType != d.adwField[fieldProductType])
        return false;
    if (d.abGiven[fieldSuiteMask] && (os.dwSuiteMask & d.adwField[fieldSuiteMask]) != d.adwField[fieldSuiteMask])
        return false;
    if (d.abGiven[fieldBuild] && os.dwBuild < d.adwField[fieldBuild])
        return false;
    return true;
}

// Orders matches: version (major, minor, build) first, then how many fields
// the decoration names. Negative, zero or positive like a comparison.
int CompareRank(const DECORATION& a, const DECORATION& b)
{
    const int aiOrder[] = { fieldMajor, fieldMinor, fieldBuild };
    for (int iField : aiOrder) {
        if (a.adwField[iField] != b.adwField[iField])
            return a.adwField[iField] < b.adwField[iField] ? -1 : 1;
    }
    int nGivenA = 0;
    int nGivenB = 0;
    for (int i = 0; i < cFields; ++i) {
        nGivenA += a.abGiven[i];
        nGivenB += b.abGiven[i];
    }
    return nGivenA - nGivenB;
}

} // namespace

OS_TARGET CurrentOsTarget()
{
    typedef LONG(WINAPI * PFN_RTL_GET_VERSION)(OSVERSIONINFOEXW*);
    OSVERSIONINFOEXW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    PFN_RTL_GET_VERSION pfn = ResolveProc<PFN_RTL_GET_VERSION>(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion");
    if (!pfn || pfn(&info) != 0) {
        info.dwMajorVersion = 10;
        info.wProductType = VER_NT_WORKSTATION;
    }
    return { info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber, info.wProductType, info.wSuiteMask };
}

int ChooseModelsDecoration(const LPCWSTR* ppszDecorations, int cDecorations, const OS_TARGET& os,
                           EMachineArchitecture architecture)
{
    int iBest = -1;
    DECORATION best = {};
    for (int i = 0; i < cDecorations; ++i) {
        DECORATION d;
        if (!ppszDecorations[i] || !ParseDecoration(ppszDecorations[i], architecture, &d) || !Applies(d, os))
            continue;
        if (iBest < 0 || CompareRank(d, best) > 0) {
            iBest = i;
            best = d;
        }
    }
    return iBest;
}
