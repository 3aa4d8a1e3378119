#pragma once

#include <windows.h>

#include "packages/DiffxApiCallback.h"
#include "platform/UniqueHandle.h"

// The class of the guard's window, one name for every tavelin.
extern const WCHAR g_szQuietShutdownGuardClass[];

// A quiet run shows no window, so Windows would end it at a shutdown or
// logoff without asking, in the middle of a package call if one runs. The
// guard gives it a window to ask: hidden, top-level (a message-only window
// is never asked) and served by a thread of its own, since the run keeps the
// main thread busy. While the run is busy the window refuses and names the
// reason, as the progress dialog does; otherwise it agrees. The window and
// its thread come with the first busy spell (the first window of a process
// costs Wine a connection to the display, which a run with nothing to do
// should not pay) and go away with the guard. Without them the run goes on
// unguarded.
class CQuietShutdownGuard
{
public:
    CQuietShutdownGuard() = default;
    ~CQuietShutdownGuard();
    CQuietShutdownGuard(const CQuietShutdownGuard&) = delete;
    CQuietShutdownGuard& operator=(const CQuietShutdownGuard&) = delete;

    // Returns once the window has taken the change.
    void SetBusy(bool bBusy);
    HWND Window() const { return m_hWnd; }

private:
    // Makes the window; returns once it exists or cannot be made.
    void Start();
    static DWORD WINAPI ThreadMain(LPVOID pParam);
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    LRESULT OnSetBusy(bool bBusy);

    CKernelHandle m_ready;
    CKernelHandle m_thread;
    HWND m_hWnd = nullptr;
    bool m_bStarted = false;
    // The window's thread only.
    bool m_bBusy = false;
};

// The callback of a quiet run: it reports to nobody, and has the guard refuse
// shutdown from the run's first package call on, except while the run waits
// for another one.
class CQuietRunCallback : public CDiffxApiCallback
{
public:
    explicit CQuietRunCallback(CQuietShutdownGuard* pGuard) : m_pGuard(pGuard) {}
    void FirstPackageCall() override { m_pGuard->SetBusy(true); }
    // A run that only waits for another one is not busy.
    void PackageCallsPaused(bool bPaused) override { m_pGuard->SetBusy(!bPaused); }

private:
    CQuietShutdownGuard* m_pGuard;
};
