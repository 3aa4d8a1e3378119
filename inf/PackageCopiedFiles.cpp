#include "inf/PackageCopiedFiles.h"

#include "platform/LastError.h"
#include "platform/UniqueHandle.h"

namespace {

struct CFileQueueTraits
{
    static HSPFILEQ Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HSPFILEQ h) { SetupCloseFileQueue(h); }
};
using CFileQueue = CUniqueHandle<HSPFILEQ, CFileQueueTraits>;

struct QUEUE_CONTEXT
{
    LPCWSTR pszInfFolder;
    HSPFILEQ hQueue;
    DWORD (*pfnMissing)(LPCWSTR, LPCWSTR, LPCWSTR, PVOID);
    PVOID pvMissing;
};

// One section of the install: its files join the queue.
DWORD QueueSectionFiles(HINF hInf, LPCWSTR pszSection, EInstallSectionRole /*role*/, PVOID pvContext)
{
    const QUEUE_CONTEXT* pContext = static_cast<const QUEUE_CONTEXT*>(pvContext);
    if (!SetupInstallFilesFromInfSectionW(hInf, nullptr, pContext->hQueue, pszSection, pContext->pszInfFolder, 0))
        return LastErrorOrFailure();
    return ERROR_SUCCESS;
}

DWORD ForwardMissing(LPCWSTR pszSection, LPCWSTR pszModel, LPCWSTR pszHardwareId, PVOID pvContext)
{
    const QUEUE_CONTEXT* pContext = static_cast<const QUEUE_CONTEXT*>(pvContext);
    return pContext->pfnMissing(pszSection, pszModel, pszHardwareId, pContext->pvMissing);
}

// SPFILENOTIFY_QUEUESCAN_EX: Param1 holds the queued copy's paths.
UINT CALLBACK CollectSource(PVOID pvContext, UINT uNotification, UINT_PTR uParam1, UINT_PTR /*uParam2*/)
{
    CPathList* pFiles = static_cast<CPathList*>(pvContext);
    const FILEPATHS_W* pPaths = reinterpret_cast<const FILEPATHS_W*>(uParam1);
    if (uNotification != SPFILENOTIFY_QUEUESCAN_EX || !pPaths || !pPaths->Source)
        return NO_ERROR;
    return pFiles->Add(pPaths->Source) ? NO_ERROR : ERROR_NOT_ENOUGH_MEMORY;
}

} // namespace

DWORD ReadPackageCopiedFiles(HINF hInf, LPCWSTR pszInfFolder, CPathList* pFiles,
                             DWORD (*pfnMissing)(LPCWSTR, LPCWSTR, LPCWSTR, PVOID), PVOID pvMissing)
{
    CFileQueue queue(SetupOpenFileQueue());
    if (!queue.IsValid())
        return LastErrorOrFailure();
    QUEUE_CONTEXT context = { pszInfFolder, queue.Get(), pfnMissing, pvMissing };
    const INSTALL_SECTION_WALK walk = { QueueSectionFiles, pfnMissing ? ForwardMissing : nullptr, &context };
    const DWORD dwError = ForEachInstallSection(hInf, walk);
    if (dwError != ERROR_SUCCESS)
        return dwError;
    DWORD dwScan = 0;
    if (!SetupScanFileQueueW(queue.Get(), SPQ_SCAN_USE_CALLBACKEX, nullptr, CollectSource, pFiles, &dwScan))
        return LastErrorOrFailure();
    return ERROR_SUCCESS;
}
