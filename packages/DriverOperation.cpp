#include "DriverOperation.h"

#include "cmdline/CommandLineInfo.h"
#include "devfix/MtpConflict.h"
#include "inf/MachineArchitecture.h"
#include "packages/DriverInstallApi.h"
#include "packages/DriverPackageBatch.h"
#include "packages/EmulatedRefusal.h"

namespace {

void CopySummary(const CDriverPackageBatch& batch, RUN_SUMMARY* pSummary)
{
    if (pSummary)
        *pSummary = batch.m_summary;
}

} // namespace

INT RunDriverOperation(CDiffxApiCallback* pCallback, const CTavelinCommandLineInfo& info, CRunLog* pLog,
                       RUN_SUMMARY* pSummary)
{
    // The batch's destructor tears it down on every way out below.
    CDriverPackageBatch batch(pCallback);
    // /v changes nothing, so it never asks who would install.
    const bool bVerifyOnly = info.m_nOperation == opVerify;
    batch.m_summary.bVerifyOnly = bVerifyOnly;
    // Nor /c, which only Windows' own API carries out.
    const bool bClean = info.m_nOperation == opClean;
    batch.m_summary.bClean = bClean;
    // Without an open log not one call differs from a run without /o.
    if (pLog && pLog->IsOpen()) {
        batch.m_pLog = pLog;
        pLog->Start(bVerifyOnly || bClean ? nullptr : &DriverInstallApi(), bVerifyOnly, bClean);
    }

    // The repair reports nothing to the callback, not even its end; only a
    // wait for another run is shown.
    if (info.m_nOperation == opFixConflict) {
        if (info.m_nVendor == vendorRezuv) {
            // Removing devices while another run installs on them would race
            // as two package calls do.
            CPackageCallHold hold(batch.m_callLock, batch.m_pCallback, batch.m_pLog);
            if (RunsEmulated()) {
                // Devices are removed only by a native program, as drivers
                // are installed.
                batch.m_summary.dwOperationError = c_dwErrorInWow64;
                if (batch.m_pLog)
                    batch.m_pLog->Event(DIFXAPI_ERROR, c_dwErrorInWow64,
                                        L"no device is removed: this x64 build runs emulated on an ARM64 machine; "
                                        L"run the ARM64 build of tavelin");
            } else {
                batch.m_summary.dwOperationError = FixMtpDriverConflict(batch.m_pLog);
            }
        }
        CopySummary(batch, pSummary);
        return 0;
    }

    // A /l or /s value whose copy failed while parsing was still given, and
    // must never stand for the default list: the list path is made absent, and
    // the list run (where a lost /s lands too, as it reads as empty) fails as
    // with an unloadable list. A list path whose copy fails here ends the same
    // way; a valid /s still wins over a lost /l.
    if (info.m_strInfList.IsAbsent() || info.m_strInfFile.IsAbsent())
        batch.m_strListFile.MarkAbsent();
    else if (!info.m_strInfList.IsEmpty())
        batch.m_strListFile.Assign(info.m_strInfList.c_str(), info.m_strInfList.Length());

    // A given INF file wins over a given list file.
    INT nResult;
    if (!info.m_strInfFile.IsEmpty())
        nResult = batch.RunSingle(info.m_nOperation, info.m_bQuiet, info.m_strInfFile.c_str());
    else
        nResult = batch.RunList(info.m_nOperation, info.m_bQuiet);

    batch.m_pCallback->EndOperation(info.m_nOperation, true);
    CopySummary(batch, pSummary);
    return nResult;
}
