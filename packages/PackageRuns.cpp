#include "DriverPackageBatch.h"

#include "cmdline/CommandLineInfo.h"
#include "inf/MachineArchitecture.h"
#include "packages/DriverInstallApi.h"
#include "packages/EmulatedRefusal.h"
#include "packages/PackageClean.h"
#include "packages/native/NativeLog.h"
#include "platform/BoundedFormat.h"
#include "verify/VerifyDriverPackage.h"

namespace {

DWORD SilentBit(bool bQuiet)
{
    return bQuiet ? DRIVER_PACKAGE_SILENT : 0;
}

// The one package call for an operation. Installer information is never given.
INT CallDriverPackage(INT nOperation, bool bQuiet, LPCWSTR pszInfPath, BOOL* pbNeedReboot)
{
    const DRIVER_INSTALL_API& api = DriverInstallApi();
    DWORD dwResult;
    switch (nOperation) {
    case opInstall:
        dwResult = api.pfnInstall(pszInfPath, DRIVER_PACKAGE_REPAIR | SilentBit(bQuiet), nullptr, pbNeedReboot);
        break;
    case opUninstall:
        dwResult = api.pfnUninstall(pszInfPath, DRIVER_PACKAGE_FORCE | DRIVER_PACKAGE_DELETE_FILES | SilentBit(bQuiet),
                                    nullptr, pbNeedReboot);
        break;
    case opPreinstall:
        dwResult = api.pfnPreinstall(pszInfPath, DRIVER_PACKAGE_REPAIR | DRIVER_PACKAGE_FORCE | SilentBit(bQuiet));
        break;
    default:
        // Only the dispatcher calls the runs, and only with these three.
        dwResult = ERROR_INVALID_PARAMETER;
        break;
    }
    // DIFx's codes, customer-bit ones included, are handled as signed.
    return static_cast<INT>(dwResult);
}

} // namespace

// /v reports its events to the forwarder directly and must never load DIFx:
// the provider is not asked for at all on that road. Nor on that of /c,
// which only Windows' own API carries out.
void CDriverPackageBatch::RegisterLogForwarder(INT nOperation)
{
    if (nOperation == opVerify) {
        m_summary.bVerifyOnly = true;
    } else if (nOperation == opClean) {
        m_summary.bClean = true;
        SetNativeLogCallback(&CDriverPackageBatch::DifxLogForwarder, this);
    } else
        DriverInstallApi().pfnSetLogCallback(&CDriverPackageBatch::DifxLogForwarder, this);
}

// A package call holds the machine-wide lock, so that no other tavelin
// process calls in between. /v changes nothing: it neither waits for another
// run nor holds one up.
INT CDriverPackageBatch::RunPackage(INT nOperation, bool bQuiet, LPCWSTR pszInfPath, BOOL* pbNeedReboot)
{
    if (nOperation == opVerify) {
        const DWORD dwResult = VerifyDriverPackage(pszInfPath, &CDriverPackageBatch::DifxLogForwarder, this);
        // What /c would do: information only, which leaves the result alone.
        SetNativeLogCallback(&CDriverPackageBatch::DifxLogForwarder, this);
        PreviewCleanDriverPackage(pszInfPath);
        SetNativeLogCallback(nullptr, nullptr);
        return static_cast<INT>(dwResult);
    }
    // /c takes the lock for each removal itself. An x64 build emulated on
    // ARM64 removes nothing, as it installs nothing.
    if (nOperation == opClean && RunsEmulated())
        return static_cast<INT>(RefuseEmulatedPackage(pszInfPath));
    if (nOperation == opClean)
        return static_cast<INT>(CleanDriverPackage(pszInfPath, m_callLock, m_pCallback, m_pLog, &m_summary));
    CPackageCallHold hold(m_callLock, m_pCallback, m_pLog);
    return CallDriverPackage(nOperation, bQuiet, pszInfPath, pbNeedReboot);
}

// The tail of a path cut into pieces can name another package beside the
// list: no piece of such a line reaches the provider.
INT CDriverPackageBatch::RefusePiece(UINT uLine)
{
    WCHAR szText[128];
    FormatBounded(szText, ARRAYSIZE(szText),
                  L"Line %u of the list is longer than 1022 bytes and was read in pieces: no piece of it is acted on",
                  uLine);
    DifxLogForwarder(DIFXAPI_ERROR, ERROR_FILENAME_EXCED_RANGE, szText, this);
    return ERROR_FILENAME_EXCED_RANGE;
}

void CDriverPackageBatch::CountCall(INT nOperation, LPCWSTR pszInfPath, INT nResult, BOOL bRebootBefore,
                                    BOOL bNeedReboot)
{
    const DWORD dwResult = static_cast<DWORD>(nResult);
    CountPackageCall(&m_summary, nOperation, dwResult, bNeedReboot);
    if (m_pLog)
        m_pLog->PackageCall(nOperation, pszInfPath, dwResult, bRebootBefore, bNeedReboot);
    m_pCallback->PackageDone(nOperation, pszInfPath, dwResult);
}

INT CDriverPackageBatch::RunSingle(INT nOperation, bool bQuiet, LPCWSTR pszInfPath)
{
    if (!pszInfPath)
        pszInfPath = L"";
    // Read after the call for the summary and the log only: the tool neither
    // restarts the machine nor asks for it.
    BOOL bNeedReboot = FALSE;
    RegisterLogForwarder(nOperation);
    CheckCurrentFolderTrust(pszInfPath);
    m_pCallback->BeginPackage(nOperation, pszInfPath);
    INT nResult = RunPackage(nOperation, bQuiet, pszInfPath, &bNeedReboot);
    CountCall(nOperation, pszInfPath, nResult, FALSE, bNeedReboot);
    m_pCallback->EndOperation(nOperation, true);
    return nResult;
}

INT CDriverPackageBatch::RunList(INT nOperation, bool bQuiet)
{
    BOOL bNeedReboot = FALSE;
    INT nResult = 0;
    RegisterLogForwarder(nOperation);
    CheckCurrentFolderTrust(m_strListFile.c_str());
    if (!LoadInfList())
        return -1;
    // A failing entry does not stop the run; the last code is returned, and the
    // summary keeps the first failure. One flag serves the whole run, so what
    // it was before a call tells whether that call set it.
    const CInfEntryList::INF_PIECE* pPiece = m_entries.Pieces();
    const CInfEntryList::INF_PIECE* pPiecesEnd = pPiece + m_entries.PieceCount();
    for (const INF_ENTRY* pEntry = m_entries.First(); pEntry; pEntry = pEntry->pNext) {
        const BOOL bRebootBefore = bNeedReboot;
        if (pPiece != pPiecesEnd && pPiece->pEntry == pEntry) {
            nResult = RefusePiece((pPiece++)->uLine);
        } else {
            CheckCurrentFolderTrust(pEntry->pszPath);
            nResult = RunPackage(nOperation, bQuiet, pEntry->pszPath, &bNeedReboot);
        }
        CountCall(nOperation, pEntry->pszPath, nResult, bRebootBefore, bNeedReboot);
        m_pCallback->StepDone();
    }
    return nResult;
}

void __cdecl CDriverPackageBatch::DifxLogForwarder(DIFXAPI_LOG eventType, DWORD dwError, PCWSTR pszEventText,
                                                    PVOID pvContext)
{
    CDriverPackageBatch* pBatch = static_cast<CDriverPackageBatch*>(pvContext);
    if (!pBatch)
        return;
    if (pBatch->m_pLog)
        pBatch->m_pLog->Event(static_cast<INT>(eventType), dwError, pszEventText);
    pBatch->m_pCallback->OnLogEvent(static_cast<INT>(eventType), dwError, pszEventText);
}
