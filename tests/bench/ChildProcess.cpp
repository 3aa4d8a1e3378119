#include "ChildProcess.h"

#include <psapi.h>

#include <vector>

#include "Handles.h"
#include "Stopwatch.h"

namespace {

const DWORD c_dwSampleMs = 1;

SIZE_T PeakWorkingSet(HANDLE hProcess)
{
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof(pmc);
    if (!GetProcessMemoryInfo(hProcess, &pmc, sizeof(pmc)))
        return 0;
    return pmc.PeakWorkingSetSize;
}

} // namespace

bool RunChild(const std::wstring& strExe, const std::wstring& strArgs, const std::wstring& strFolder,
              bool bSampleMemory, DWORD dwTimeoutMs, CHILD_RUN* pRun)
{
    std::wstring strLine = L"\"" + strExe + L"\"";
    if (!strArgs.empty())
        strLine += L" " + strArgs;
    // CreateProcessW may write into the command line.
    std::vector<WCHAR> line(strLine.begin(), strLine.end());
    line.push_back(L'\0');

    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    CStopwatch stopwatch;
    if (!CreateProcessW(strExe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, strFolder.c_str(), &si,
                        &pi))
        return false;
    CProcessHandles child;
    child.Take(pi);

    SIZE_T cbPeak = 0;
    DWORD dwWait;
    if (bSampleMemory) {
        CStopwatch timeout;
        for (;;) {
            dwWait = WaitForSingleObject(child.Process(), c_dwSampleMs);
            if (dwWait != WAIT_TIMEOUT || timeout.Seconds() * 1000.0 > dwTimeoutMs)
                break;
            const SIZE_T cbNow = PeakWorkingSet(child.Process());
            if (cbNow > cbPeak)
                cbPeak = cbNow;
        }
    } else {
        dwWait = WaitForSingleObject(child.Process(), dwTimeoutMs);
    }
    const double dSeconds = stopwatch.Seconds();
    if (dwWait != WAIT_OBJECT_0) {
        TerminateProcess(child.Process(), 99);
        WaitForSingleObject(child.Process(), 5000);
        return false;
    }
    if (bSampleMemory) {
        const SIZE_T cbAfter = PeakWorkingSet(child.Process());
        if (cbAfter > cbPeak)
            cbPeak = cbAfter;
    }

    pRun->dSeconds = dSeconds;
    pRun->cbPeakWorkingSet = cbPeak;
    pRun->dwExitCode = 0;
    GetExitCodeProcess(child.Process(), &pRun->dwExitCode);
    return true;
}

bool TimeChild(const std::wstring& strExe, const std::wstring& strArgs, const std::wstring& strFolder,
               DWORD dwTimeoutMs, double* pdSeconds)
{
    CHILD_RUN run;
    if (!RunChild(strExe, strArgs, strFolder, false, dwTimeoutMs, &run))
        return false;
    *pdSeconds = run.dSeconds;
    return true;
}
