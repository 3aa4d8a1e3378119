#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "support/TestFiles.h"

// Starts build/tavelin.exe from a scratch folder (with blanks in its name)
// that holds a copy of the exe and of the stand-in DIFXAPI.dll, as it would
// be deployed. The stand-in's journal goes to journal.txt in that folder.
class CProgramRun
{
public:
    // What lies beside the exe: the stand-in DIFXAPI.dll, or nothing, as on a
    // stock Windows without DIFx.
    enum class EDifx { StandIn, None };

    explicit CProgramRun(EDifx difx = EDifx::StandIn);
    ~CProgramRun();
    CProgramRun(const CProgramRun&) = delete;
    CProgramRun& operator=(const CProgramRun&) = delete;

    bool IsReady() const { return m_bReady; }
    const std::wstring& Folder() const { return m_strFolder; }
    std::wstring File(const std::wstring& strName) const { return m_strFolder + L"\\" + strName; }
    bool Write(const std::wstring& strName, const std::string& strBytes) const
    {
        return WriteFileBytes(File(strName), strBytes);
    }

    // Stand-in knobs, passed to the child through its environment.
    void SetPackageDelay(DWORD dwMs) { m_dwPackageDelay = dwMs; }
    void SetUnregisterDelay(DWORD dwMs) { m_dwUnregisterDelay = dwMs; }
    void SetJournal(bool bJournal) { m_bJournal = bJournal; }
    // A line per package call costs a file write each: only a test that
    // reads CallThreads asks for it.
    void SetThreadJournal(bool bThreads) { m_bThreads = bThreads; }

    // Holds each package call (bCalls) or the teardown's unregister call
    // (bTeardown) of the next start until Release: the run stays where the
    // test looks at it, however slow the machine.
    bool Hold(bool bCalls, bool bTeardown);
    void Release();
    // Gives the copy of the exe another file name (Wine's per-program
    // settings go by it). False when it cannot be renamed.
    bool RenameExe(const std::wstring& strName);

    // The current directory of the next start; the scratch folder by default.
    void SetWorkingFolder(const std::wstring& strFolder) { m_strWorkingFolder = strFolder; }

    // Starts "<quoted exe path> <strArgs>" with the scratch folder as the
    // current directory.
    bool Start(const std::wstring& strArgs);
    DWORD StartError() const { return m_dwStartError; }
    // Waits for the end; false on a time-out (the child is then killed).
    bool Wait(DWORD dwMs, DWORD* pdwExitCode);
    bool HasExited() const;
    // Starts and waits: the exit code, or 0xFFFFFFFF when the program did not
    // start or did not end in time.
    DWORD RunToEnd(const std::wstring& strArgs, DWORD dwMs);
    DWORD MainThreadId() const { return m_pi.dwThreadId; }
    DWORD ProcessId() const { return m_pi.dwProcessId; }

    // The visible top-level windows of the child.
    std::vector<HWND> VisibleWindows() const;
    // Waits for a visible top-level window of the child with this caption.
    HWND WaitForWindow(const std::wstring& strCaption, DWORD dwMs) const;

    // The stand-in's journal, one line per entry.
    std::vector<std::string> Journal() const;
    // Thread ids the stand-in saw package calls on (with SetThreadJournal).
    std::vector<DWORD> CallThreads() const;
    // The number of package calls the stand-in counted, written when the
    // program ended normally; -1 when it did not.
    long long CallCount() const;

private:
    CScratchDir m_scratch;
    std::wstring m_strFolder;
    std::wstring m_strExe;
    std::wstring m_strWorkingFolder;
    bool m_bReady = false;
    DWORD m_dwPackageDelay = 0;
    DWORD m_dwUnregisterDelay = 0;
    bool m_bJournal = true;
    bool m_bThreads = false;
    bool m_bHoldCalls = false;
    bool m_bHoldTeardown = false;
    PROCESS_INFORMATION m_pi = {};
    DWORD m_dwStartError = 0;
};

std::wstring WindowText(HWND hWnd);
std::wstring ItemText(HWND hDlg, int nId);

// Polls fn every few milliseconds until it returns true or dwMs passes.
bool WaitUntil(const std::function<bool()>& fn, DWORD dwMs);
