#pragma once

// Link-time fakes for the progress dialog's tests (shell_unit_tests):
// - RunDriverOperation, the worker's run, which waits until the test lets it
//   end;
// - ShutdownBlockReasonCreate and ShutdownBlockReasonDestroy, which Wine
//   only stubs: the program's import slots point to recorders instead.
#include <windows.h>

#include <string>
#include <vector>

struct SHUTDOWN_REASON_CALL
{
    bool bCreate;
    HWND hWnd;
    std::wstring strReason;
    DWORD dwThread;
};

// Clears the records and makes the next run wait for ReleaseFakeRun.
void ResetShellFakes();
void ReleaseFakeRun();
// True once the fake run has begun (the worker is inside it).
bool FakeRunStarted();
std::vector<SHUTDOWN_REASON_CALL> ShutdownReasonCalls();
