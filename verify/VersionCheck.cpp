#include "verify/VersionCheck.h"

namespace {

// [Version] values are short; a longer one is reported as it was cut.
const DWORD c_cchValue = 256;

// Field iField of the [Version] line pszKey, with its %strings% resolved;
// empty when the line or the field is missing.
void ReadVersionField(HINF hInf, LPCWSTR pszKey, DWORD iField, LPWSTR pszValue)
{
    INFCONTEXT line;
    pszValue[0] = L'\0';
    if (!SetupFindFirstLineW(hInf, L"Version", pszKey, &line) ||
        !SetupGetStringFieldW(&line, iField, pszValue, c_cchValue, nullptr))
        pszValue[0] = L'\0';
    pszValue[c_cchValue - 1] = L'\0';
}

bool IsKnownSignature(LPCWSTR pszSignature)
{
    return CompareStringOrdinal(pszSignature, -1, L"$Windows NT$", -1, TRUE) == CSTR_EQUAL ||
           CompareStringOrdinal(pszSignature, -1, L"$Chicago$", -1, TRUE) == CSTR_EQUAL;
}

void CheckPresent(HINF hInf, LPCWSTR pszKey, CVerifyReport* pReport)
{
    WCHAR szValue[c_cchValue];
    ReadVersionField(hInf, pszKey, 1, szValue);
    if (szValue[0] == L'\0')
        pReport->Problem(ERROR_INVALID_DATA, L"[Version] has no %ls", pszKey);
}

bool CheckDriverVer(HINF hInf, DRIVER_VERSION* pVersion, CVerifyReport* pReport)
{
    WCHAR szDate[c_cchValue];
    WCHAR szNumber[c_cchValue];
    ReadVersionField(hInf, L"DriverVer", 1, szDate);
    ReadVersionField(hInf, L"DriverVer", 2, szNumber);
    bool bValid = true;
    if (!ParseDriverDate(szDate, L'/', pVersion)) {
        pReport->Problem(ERROR_INVALID_DATA, L"[Version] DriverVer date \"%ls\" is not a valid date mm/dd/yyyy",
                         szDate);
        bValid = false;
    }
    if (!ParseDriverVersionNumber(szNumber, pVersion)) {
        pReport->Problem(ERROR_INVALID_DATA,
                         L"[Version] DriverVer version \"%ls\" is not one to four numbers 0-65535 joined by dots",
                         szNumber);
        bValid = false;
    }
    return bValid;
}

} // namespace

bool CheckVersionSection(HINF hInf, DRIVER_VERSION* pVersion, CVerifyReport* pReport)
{
    WCHAR szSignature[c_cchValue];
    ReadVersionField(hInf, L"Signature", 1, szSignature);
    if (!IsKnownSignature(szSignature))
        pReport->Problem(ERROR_WRONG_INF_STYLE, L"[Version] Signature \"%ls\" is neither $Windows NT$ nor $Chicago$",
                         szSignature);
    const LPCWSTR apszKeys[] = { L"Class", L"ClassGuid", L"Provider" };
    for (LPCWSTR pszKey : apszKeys)
        CheckPresent(hInf, pszKey, pReport);
    return CheckDriverVer(hInf, pVersion, pReport);
}
