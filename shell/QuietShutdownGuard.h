#pragma once

#include <windows.h>

#include "platform/UniqueHandle.h"

// The class of the guard's window, one name for every tavelin.
extern const WCHAR g_szQuietShutdownGuardClass[];

// A quiet run shows no window, so Windows would end it at a shutdown or
// logoff without asking, in the middle of a package call if one runs. The
// guard gives it a window to ask: hidden, top-level (a message-only window
// is never asked) and served by a thread of its own, since the run keeps the
// main thread busy. While the run is busy the window refuses and names the
// reason, as the progress dialog does; otherwise it agrees. The window and
// its thread go away with the guard. Without them the run goes on unguarded.
class CQuietShutdownGuard
{
public:
    CQuietShutdownGuard();
    ~CQuietShutdownGuard();
    CQuietShutdownGuard(const CQuietShutdownGuard&) = delete;
    CQuietShutdownGuard& operator=(const CQuietShutdownGuard&) = delete;

    // Returns once the window has taken the change.
    void SetBusy(bool bBusy);
    HWND Window() const { return m_hWnd; }

private:
    static DWORD WINAPI ThreadMain(LPVOID pParam);
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    LRESULT OnSetBusy(bool bBusy);

    CKernelHandle m_ready;
    CKernelHandle m_thread;
    HWND m_hWnd = nullptr;
    // The window's thread only.
    bool m_bBusy = false;
};
