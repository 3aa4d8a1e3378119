#include "inf/PackageCopiedFiles.h"

#include "inf/InstallSection.h"
#include "inf/ModelsSection.h"
#include "platform/LastError.h"
#include "platform/UniqueHandle.h"

namespace {

struct CFileQueueTraits
{
    static HSPFILEQ Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HSPFILEQ h) { SetupCloseFileQueue(h); }
};
using CFileQueue = CUniqueHandle<HSPFILEQ, CFileQueueTraits>;

// Section names are at most 255 characters.
const DWORD c_cchSection = 512;

struct QUEUE_CONTEXT
{
    HINF hInf;
    LPCWSTR pszInfFolder;
    HSPFILEQ hQueue;
};

// One model line: its install section's files join the queue. Several
// models naming one section queue it more than once; the list keeps each
// file once.
DWORD QueueModelFiles(INFCONTEXT* pModel, PVOID pvContext)
{
    const QUEUE_CONTEXT* pContext = static_cast<const QUEUE_CONTEXT*>(pvContext);
    WCHAR szSection[c_cchSection];
    WCHAR szActual[c_cchSection];
    if (!SetupGetStringFieldW(pModel, 1, szSection, c_cchSection, nullptr) ||
        !ActualInstallSection(pContext->hInf, szSection, szActual, c_cchSection))
        return ERROR_SUCCESS;
    if (!SetupInstallFilesFromInfSectionW(pContext->hInf, nullptr, pContext->hQueue, szActual,
                                          pContext->pszInfFolder, 0))
        return LastErrorOrFailure();
    return ERROR_SUCCESS;
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

DWORD ReadPackageCopiedFiles(HINF hInf, LPCWSTR pszInfFolder, CPathList* pFiles)
{
    CFileQueue queue(SetupOpenFileQueue());
    if (!queue.IsValid())
        return LastErrorOrFailure();
    QUEUE_CONTEXT context = { hInf, pszInfFolder, queue.Get() };
    const DWORD dwError = ForEachModelLine(hInf, QueueModelFiles, &context);
    if (dwError != ERROR_SUCCESS)
        return dwError;
    DWORD dwScan = 0;
    if (!SetupScanFileQueueW(queue.Get(), SPQ_SCAN_USE_CALLBACKEX, nullptr, CollectSource, pFiles, &dwScan))
        return LastErrorOrFailure();
    return ERROR_SUCCESS;
}
