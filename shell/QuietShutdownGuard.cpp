#include "QuietShutdownGuard.h"

#include "AppInstance.h"
#include "ShutdownReason.h"

const WCHAR g_szQuietShutdownGuardClass[] = L"TavelinQuietShutdownGuard";

namespace {

// From the run's thread: busy or not (wParam TRUE while busy), and the end.
const UINT WM_APP_SET_BUSY = WM_APP + 1;
const UINT WM_APP_END_GUARD = WM_APP + 2;

} // namespace

void CQuietShutdownGuard::Start()
{
    m_bStarted = true;
    m_ready.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!m_ready.IsValid())
        return;
    m_thread.Reset(CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr));
    if (!m_thread.IsValid())
        return;
    // The thread signals once its window exists or cannot be made; should it
    // end before, its end says so.
    const HANDLE rghWait[] = { m_ready.Get(), m_thread.Get() };
    WaitForMultipleObjects(ARRAYSIZE(rghWait), rghWait, FALSE, INFINITE);
}

CQuietShutdownGuard::~CQuietShutdownGuard()
{
    if (m_hWnd)
        PostMessageW(m_hWnd, WM_APP_END_GUARD, 0, 0);
    if (m_thread.IsValid())
        WaitForSingleObject(m_thread.Get(), INFINITE);
}

void CQuietShutdownGuard::SetBusy(bool bBusy)
{
    if (bBusy && !m_bStarted)
        Start();
    if (m_hWnd)
        SendMessageW(m_hWnd, WM_APP_SET_BUSY, bBusy ? TRUE : FALSE, 0);
}

DWORD WINAPI CQuietShutdownGuard::ThreadMain(LPVOID pParam)
{
    CQuietShutdownGuard* pGuard = static_cast<CQuietShutdownGuard*>(pParam);
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = g_hInstance;
    wc.lpszClassName = g_szQuietShutdownGuardClass;
    // Registered once per process; a second guard finds it in place.
    if (RegisterClassExW(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS) {
        // Never shown: no WS_VISIBLE, and nothing calls ShowWindow.
        pGuard->m_hWnd = CreateWindowExW(0, g_szQuietShutdownGuardClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                         g_hInstance, pGuard);
    }
    const bool bWindow = pGuard->m_hWnd != nullptr;
    SetEvent(pGuard->m_ready.Get());
    if (!bWindow)
        return 0;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        DispatchMessageW(&msg);
    return 0;
}

LRESULT CQuietShutdownGuard::OnSetBusy(bool bBusy)
{
    if (bBusy && !m_bBusy)
        RegisterShutdownReason(m_hWnd);
    else if (!bBusy && m_bBusy)
        ShutdownBlockReasonDestroy(m_hWnd);
    m_bBusy = bBusy;
    return 0;
}

LRESULT CALLBACK CQuietShutdownGuard::WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_NCCREATE) {
        const CREATESTRUCTW* pCreate = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(pCreate->lpCreateParams));
    }
    CQuietShutdownGuard* pGuard = reinterpret_cast<CQuietShutdownGuard*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    if (!pGuard)
        return DefWindowProcW(hWnd, uMsg, wParam, lParam);
    switch (uMsg) {
    case WM_APP_SET_BUSY:
        return pGuard->OnSetBusy(wParam != FALSE);
    case WM_QUERYENDSESSION:
        // Ending the process in the middle of a package call could leave a
        // package half installed.
        return pGuard->m_bBusy ? FALSE : TRUE;
    case WM_APP_END_GUARD:
        pGuard->OnSetBusy(false);
        DestroyWindow(hWnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(hWnd, uMsg, wParam, lParam);
    }
}
