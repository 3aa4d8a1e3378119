#pragma once

#include <windows.h>

#include <string>

// What one run of a child program took.
struct CHILD_RUN
{
    // From just before CreateProcessW to the moment the wait sees it end.
    double dSeconds;
    // Largest PeakWorkingSetSize seen; 0 unless asked for.
    SIZE_T cbPeakWorkingSet;
    DWORD dwExitCode;
};

// Starts "strExe" strArgs with strFolder as its current folder, waits for it
// to end and reports the time. With bSampleMemory, the child's memory counters
// are read every millisecond while it runs and once more after it ended:
// Windows keeps them until the last handle is closed, Wine answers zeros once
// the process is gone, so under Wine the last sample before the end counts.
// Sampling costs time, so timed runs do not sample. False when the child
// cannot be started or runs longer than dwTimeoutMs (it is then killed).
bool RunChild(const std::wstring& strExe, const std::wstring& strArgs, const std::wstring& strFolder,
              bool bSampleMemory, DWORD dwTimeoutMs, CHILD_RUN* pRun);

// A timed run without memory sampling: the seconds it took, false as above.
bool TimeChild(const std::wstring& strExe, const std::wstring& strArgs, const std::wstring& strFolder,
               DWORD dwTimeoutMs, double* pdSeconds);
