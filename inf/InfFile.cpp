#include "inf/InfFile.h"

#include "platform/LastError.h"

DWORD OpenPackageInf(LPCWSTR pszFullPath, CInfFile* pInf, UINT* puiErrorLine)
{
    UINT uErrorLine = 0;
    pInf->Reset(SetupOpenInfFileW(pszFullPath, nullptr, INF_STYLE_WIN4, &uErrorLine));
    if (puiErrorLine)
        *puiErrorLine = uErrorLine;
    if (pInf->IsValid())
        return ERROR_SUCCESS;
    return LastErrorOrFailure();
}
