#include "verify/InfSyntaxCheck.h"

#include "platform/ErrorText.h"

bool CheckInfParses(LPCWSTR pszFullPath, CInfFile* pInf, CVerifyReport* pReport)
{
    UINT uErrorLine = 0;
    const DWORD dwError = OpenPackageInf(pszFullPath, pInf, &uErrorLine);
    if (dwError == ERROR_SUCCESS)
        return true;
    // SetupAPI's message for the code, where the system has one.
    WCHAR szText[512] = L": ";
    FormatErrorText(dwError, szText + 2, ARRAYSIZE(szText) - 2);
    LPCWSTR pszText = szText[2] != L'\0' ? szText : L"";
    if (uErrorLine > 0)
        pReport->Problem(dwError, L"line %u: the INF does not parse%ls", uErrorLine, pszText);
    else
        pReport->Problem(dwError, L"the INF \"%ls\" cannot be read%ls", pszFullPath, pszText);
    return false;
}
