#pragma once

// Link-time fakes for the progress dialog's tests (shell_unit_tests): the
// worker's run, which waits until the test releases it, and the two
// shutdown-reason calls, which Wine only stubs and which are recorded here.
#include <windows.h>

#include <string>
#include <vector>

struct SHUTDOWN_REASON_CALL
{
    HWND hWnd;
    std::wstring strReason; // "<destroy>" for ShutdownBlockReasonDestroy
    DWORD dwThread;
};

void ResetShellFakes();
void ReleaseFakeRun();
bool FakeRunStarted();
// The run waits before its first package call until released (as one does
// that waits for another tavelin run).
void HoldFirstPackageCall();
void ReleaseFirstPackageCall();
bool FakeRunWaiting();
extern std::vector<SHUTDOWN_REASON_CALL> g_shutdownReasonCalls;
