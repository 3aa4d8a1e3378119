#pragma once

#include <windows.h>

#include "cmdline/OwnedString.h"
#include "packages/DiffxApiCallback.h"
#include "packages/InfEntryList.h"
#include "packages/PackageCallLock.h"
#include "packages/RunLog.h"
#include "packages/RunSummary.h"
#include "platform/difx/DifxApi.h"

// The context of one run: the INF paths of the list, the list file's path and
// the notification object. The dispatcher keeps one on its stack per run; its
// destructor is the teardown on every way out.
class CDriverPackageBatch
{
public:
    // A null pCallback reports to the batch's own silent object.
    explicit CDriverPackageBatch(CDiffxApiCallback* pCallback);
    // Unregisters the DIFx log callback first, so DIFx never reports to a
    // batch that is gone (a /v or /c batch never asked for DIFx and leaves
    // it alone; /c clears the native one), then releases the list path and
    // the entries.
    ~CDriverPackageBatch();
    CDriverPackageBatch(const CDriverPackageBatch&) = delete;
    CDriverPackageBatch& operator=(const CDriverPackageBatch&) = delete;

    // Reads m_strListFile into m_entries and reports the entry count with
    // SetTotal once the file was opened. True when the file was read to its
    // end; false when it cannot be opened, its first line is not the header,
    // or memory ran out (then no entry is kept, and the summary holds why).
    // Runs once per batch.
    bool LoadInfList();

    // Applies nOperation (install, uninstall, preinstall, verify or clean) to
    // one INF file and returns DIFx's result, or the check's, or the clean's. The call is counted in
    // m_summary.
    INT RunSingle(INT nOperation, bool bQuiet, LPCWSTR pszInfPath);
    // Applies nOperation to every entry of the list file; returns the last
    // entry's result, 0 for an empty list, -1 when the list cannot be loaded.
    // Every call is counted in m_summary.
    INT RunList(INT nOperation, bool bQuiet);

    // The log callback registered with DIFx; pvContext is the batch.
    static void __cdecl DifxLogForwarder(DIFXAPI_LOG eventType, DWORD dwError, PCWSTR pszEventText,
                                         PVOID pvContext);

    CInfEntryList m_entries;
    CWideString m_strListFile;
    CDiffxApiCallback m_defaultCallback;
    CDiffxApiCallback* m_pCallback;
    // What the runs came to, beside the last code they return.
    RUN_SUMMARY m_summary = {};
    // The log that /o asks for; null without one.
    CRunLog* m_pLog = nullptr;
    // Held for each package call and for the repair.
    CPackageCallLock m_callLock;
    // Whether the current folder was judged already (once per run).
    bool m_bCurrentFolderChecked = false;

private:
    void RegisterLogForwarder(INT nOperation);
    // Before the run resolves pszPath: when it is relative, the run elevated
    // and the current folder one that others than administrators can write,
    // the log warns once.
    void CheckCurrentFolderTrust(LPCWSTR pszPath);
    INT RunPackage(INT nOperation, bool bQuiet, LPCWSTR pszInfPath, BOOL* pbNeedReboot);
    INT RefusePiece(UINT uLine);
    void CountCall(INT nOperation, LPCWSTR pszInfPath, INT nResult, BOOL bRebootBefore, BOOL bNeedReboot);
    bool EndListRead(EListOutcome outcome, DWORD dwError, INT nCount);
};

// The list file a list run reads when /l is not given, in the current folder.
extern const WCHAR g_szDefaultInfList[];
