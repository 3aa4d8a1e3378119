#include "verify/InfSyntaxCheck.h"

#include "platform/ErrorText.h"

bool CheckInfParses(LPCWSTR pszFullPath, CInfFile* pInf, CVerifyReport* pReport)
{
    UINT uErrorLine = 0;
    const DWORD dwError = OpenPackageInf(pszFullPath, pInf, &uErrorLine);
    if (dwError == ERROR_SUCCESS)
        return true;
    WCHAR szText[512];
    FormatErrorText(dwError, szText, ARRAYSIZE(szText));
    if (uErrorLine > 0)
        pReport->Problem(dwError, L"line %u: the INF does not parse: %ls", uErrorLine, szText);
    else
        pReport->Problem(dwError, L"the INF \"%ls\" cannot be read: %ls", pszFullPath, szText);
    return false;
}
