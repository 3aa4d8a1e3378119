#pragma once

#include <windows.h>

#include "devfix/RepairReport.h"
#include "packages/DriverInstallApi.h"
#include "packages/RunSummary.h"
#include "platform/LogFile.h"

// How reading the INF list ended, for its log line.
enum EListOutcome
{
    listLoaded = 0,
    listNotOpened = 1,
    listWrongHeader = 2,
    listOutOfMemory = 3,
};

// The log that /o asks for: one line per event of the run, in words a person
// reads and a script greps. Every call does nothing while no file is open.
// Events may come from any thread; every other call comes from the thread
// that runs the operation.
class CRunLog : public CRepairReport
{
public:
    CRunLog() = default;
    ~CRunLog() = default;
    CRunLog(const CRunLog&) = delete;
    CRunLog& operator=(const CRunLog&) = delete;

    bool Open(LPCWSTR pszPath) { return m_file.Open(pszPath); }
    bool IsOpen() const { return m_file.IsOpen(); }

    // The version, the whole command line and who carries out the package
    // calls; null when nobody does (the usage help, and /v, which says so).
    // /c always uses Windows' own API, and says that DIFx plays no part.
    void Start(const DRIVER_INSTALL_API* pApi, bool bVerifyOnly = false, bool bClean = false);
    void UsageShown(bool bError);
    void ListRead(LPCWSTR pszListFile, EListOutcome outcome, DWORD dwError, INT nCount);
    // bRebootBefore and bNeedReboot: the run's need-reboot flag before and
    // after the call; /v's line has no restart part.
    void PackageCall(INT nOperation, LPCWSTR pszInfPath, DWORD dwResult, BOOL bRebootBefore, BOOL bNeedReboot);
    void Event(INT nEventType, DWORD dwError, LPCWSTR pszEventText);
    // The machine-wide lock that keeps the package calls of tavelin runs
    // apart: another run holds it, its holder ended without letting go, or
    // it cannot be had at all.
    void OtherRunWait();
    void CallLockTakenOver();
    void CallLockUnavailable(DWORD dwError);
    // The global name of the lock (pszName without "Global\\") belongs to an
    // object that is no mutex of administrators or SYSTEM.
    void CallLockForeign(LPCWSTR pszName);
    // Another run held the lock for the whole of a wait of dwMs.
    void CallLockWaitTooLong(DWORD dwMs);
    // Relative paths of this elevated run resolve in pszFolder, which others
    // than administrators can write (bUnknown: whose descriptor cannot be
    // read, for dwError).
    void CurrentFolderUntrusted(LPCWSTR pszFolder, bool bUnknown, DWORD dwError);
    void DeviceRemoval(LPCWSTR pszInstanceId, DWORD dwError) override;
    void DeviceListUnreadable(DWORD dwError) override;
    void End(const RUN_SUMMARY& summary, DWORD dwExitCode);

private:
    LPCWSTR ErrorText(DWORD dwCode);
    // A text, the code with its message, and a closing text, as one line.
    void WriteCodeLine(LPCWSTR pszBefore, DWORD dwError, LPCWSTR pszAfter);

    CLogFile m_file;
    // The text of the last code looked up: most calls of a run share one
    // code, and a message lookup costs more than the line. Operation thread
    // only.
    DWORD m_dwTextCode = 0;
    bool m_bTextValid = false;
    WCHAR m_szText[512] = {};
};
