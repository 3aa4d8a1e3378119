#include "verify/VerifyDriverPackage.h"

#include <cstdlib>

#include "inf/MachineArchitecture.h"
#include "inf/PackageDeviceIds.h"
#include "platform/FullPathName.h"
#include "platform/LastError.h"
#include "platform/UniqueHandle.h"
#include "verify/CatalogCoverage.h"
#include "verify/CatalogPresence.h"
#include "verify/CatalogTrust.h"
#include "verify/CopiedFilesCheck.h"
#include "verify/InfSyntaxCheck.h"
#include "verify/PresentDevices.h"
#include "verify/SecureBootCheck.h"
#include "verify/VersionCheck.h"

namespace {

const DWORD c_dwNoDeviceId = 0xE0000301;

void CheckDeviceForMachine(HINF hInf, CDeviceIdList* pIds, CVerifyReport* pReport)
{
    const DWORD dwError = ReadPackageDeviceIds(hInf, pIds);
    if (dwError != ERROR_SUCCESS)
        pReport->Problem(dwError, L"the device IDs of the models sections cannot be read");
    else if (pIds->IsEmpty())
        pReport->Problem(c_dwNoDeviceId,
                         L"no models section for %ls and this Windows build names a hardware or compatible ID",
                         ArchitectureName(MachineArchitecture()));
}

// The catalog must list the INF itself and every copied file that is there.
// True when Windows signed it.
bool CheckCatalog(LPCWSTR pszCatalog, LPCWSTR pszInf, const CPathList& files, CVerifyReport* pReport)
{
    size_t cFiles = 1;
    for (LPCWSTR psz = files.First(); psz; psz = files.Next(psz))
        ++cFiles;
    CHeapBlock block(calloc(cFiles, sizeof(LPCWSTR)));
    if (!block.Get()) {
        pReport->Problem(ERROR_NOT_ENOUGH_MEMORY, L"out of memory while checking the catalog \"%ls\"", pszCatalog);
        return false;
    }
    LPCWSTR* ppszFiles = static_cast<LPCWSTR*>(block.Get());
    size_t iFile = 0;
    ppszFiles[iFile++] = pszInf;
    for (LPCWSTR psz = files.First(); psz && iFile < cFiles; psz = files.Next(psz))
        ppszFiles[iFile++] = psz;
    return CheckCatalogCoverage(pszCatalog, ppszFiles, iFile, pReport) && CheckCatalogTrust(pszCatalog, pReport);
}

} // namespace

DWORD VerifyDriverPackage(LPCWSTR pszInfPath, DIFXAPILOGCALLBACK_W pfnEvent, PVOID pvContext)
{
    CVerifyReport report(pfnEvent, pvContext);
    CFullPathName full(pszInfPath ? pszInfPath : L"");
    if (!full.Get()) {
        report.Problem(LastErrorOrFailure(), L"the path \"%ls\" cannot be resolved", pszInfPath ? pszInfPath : L"");
        return report.Result();
    }
    CInfFile inf;
    if (!CheckInfParses(full.Get(), &inf, &report))
        return report.Result();

    DRIVER_VERSION version = {};
    const bool bVersion = CheckVersionSection(inf.Get(), &version, &report);
    CDeviceIdList ids;
    CheckDeviceForMachine(inf.Get(), &ids, &report);

    const CPackageFolder folder(full.Get());
    CWideString strCatalog;
    const bool bCatalog = CheckCatalogPresent(inf.Get(), folder, &strCatalog, &report);
    CPathList files;
    CheckCopiedFiles(inf.Get(), folder, &files, &report);
    const bool bSignedByWindows = bCatalog && CheckCatalog(strCatalog.c_str(), full.Get(), files, &report);
    WarnKernelDriversUnderSecureBoot(inf.Get(), bSignedByWindows, &report);

    ReportPresentDevices(ids, bVersion ? &version : nullptr, &report);
    return report.Result();
}
