#include "inf/PackageDeviceIds.h"

#include "inf/ModelsSection.h"

namespace {

// Device IDs are at most 200 characters.
const DWORD c_cchField = 512;

DWORD AddModelIds(INFCONTEXT* pModel, PVOID pvContext)
{
    CDeviceIdList* pIds = static_cast<CDeviceIdList*>(pvContext);
    const DWORD cFields = SetupGetFieldCount(pModel);
    for (DWORD iField = 2; iField <= cFields; ++iField) {
        WCHAR szId[c_cchField];
        if (SetupGetStringFieldW(pModel, iField, szId, c_cchField, nullptr) && !pIds->Add(szId))
            return ERROR_NOT_ENOUGH_MEMORY;
    }
    return ERROR_SUCCESS;
}

} // namespace

DWORD ReadPackageDeviceIds(HINF hInf, CDeviceIdList* pIds)
{
    return ForEachModelLine(hInf, AddModelIds, pIds);
}
