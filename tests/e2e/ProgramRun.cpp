#include "ProgramRun.h"

#include <sstream>

namespace {

struct FindContext
{
    DWORD dwProcessId;
    std::vector<HWND>* pWindows;
};

BOOL CALLBACK CollectWindow(HWND hWnd, LPARAM lParam)
{
    FindContext* pCtx = reinterpret_cast<FindContext*>(lParam);
    DWORD dwPid = 0;
    GetWindowThreadProcessId(hWnd, &dwPid);
    if (dwPid == pCtx->dwProcessId && IsWindowVisible(hWnd))
        pCtx->pWindows->push_back(hWnd);
    return TRUE;
}

} // namespace

CProgramRun::CProgramRun(EDifx difx)
{
    if (m_scratch.Path().empty())
        return;
    m_strFolder = m_scratch.File(L"deploy folder");
    if (!CreateDirectoryW(m_strFolder.c_str(), nullptr))
        return;
    m_strExe = File(L"tavelin.exe");
    std::wstring strBuild = ModuleDir() + L"\\..";
    m_bReady = CopyFileW((strBuild + L"\\tavelin.exe").c_str(), m_strExe.c_str(), FALSE) &&
               (difx == EDifx::None ||
                CopyFileW((strBuild + L"\\DIFXAPI.dll").c_str(), File(L"DIFXAPI.dll").c_str(), FALSE));
}

CProgramRun::~CProgramRun()
{
    Release();
    if (m_pi.hProcess) {
        if (!HasExited()) {
            TerminateProcess(m_pi.hProcess, 99);
            WaitForSingleObject(m_pi.hProcess, 5000);
        }
        CloseHandle(m_pi.hThread);
        CloseHandle(m_pi.hProcess);
    }
}

bool CProgramRun::Hold(bool bCalls, bool bTeardown)
{
    m_bHoldCalls = bCalls;
    m_bHoldTeardown = bTeardown;
    return WriteFileBytes(File(L"hold.txt"), "held");
}

void CProgramRun::Release()
{
    DeleteFileW(File(L"hold.txt").c_str());
}

bool CProgramRun::RenameExe(const std::wstring& strName)
{
    const std::wstring strNew = File(strName);
    if (!m_bReady || !MoveFileW(m_strExe.c_str(), strNew.c_str()))
        return false;
    m_strExe = strNew;
    return true;
}

bool CProgramRun::Start(const std::wstring& strArgs)
{
    if (!m_bReady || m_pi.hProcess)
        return false;
    SetEnvironmentVariableW(L"DIFXSTUB_JOURNAL", m_bJournal ? File(L"journal.txt").c_str() : nullptr);
    SetEnvironmentVariableW(L"DIFXSTUB_THREADS", m_bThreads ? File(L"threads.txt").c_str() : nullptr);
    SetEnvironmentVariableW(L"DIFXSTUB_CALL_COUNT", File(L"count.txt").c_str());
    SetEnvironmentVariableW(L"DIFXSTUB_DELAY_MS", m_dwPackageDelay ? std::to_wstring(m_dwPackageDelay).c_str() : nullptr);
    SetEnvironmentVariableW(L"DIFXSTUB_UNREGISTER_DELAY_MS",
                            m_dwUnregisterDelay ? std::to_wstring(m_dwUnregisterDelay).c_str() : nullptr);
    SetEnvironmentVariableW(L"DIFXSTUB_CALL_HOLD", m_bHoldCalls ? File(L"hold.txt").c_str() : nullptr);
    SetEnvironmentVariableW(L"DIFXSTUB_UNREGISTER_HOLD", m_bHoldTeardown ? File(L"hold.txt").c_str() : nullptr);

    std::wstring strLine = L"\"" + m_strExe + L"\"";
    if (!strArgs.empty())
        strLine += L" " + strArgs;
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    BOOL bOk = FALSE;
    // Wine now and then fails a process start with ERROR_INTERNAL_ERROR when
    // many start and end in a row; that is the harness's weather, not the
    // program's, so such a start is tried again.
    for (int iTry = 0; iTry < 3 && !bOk; ++iTry) {
        std::wstring strCopy = strLine;
        bOk = CreateProcessW(m_strExe.c_str(), &strCopy[0], nullptr, nullptr, FALSE, 0, nullptr,
                             (m_strWorkingFolder.empty() ? m_strFolder : m_strWorkingFolder).c_str(), &si, &m_pi);
        if (!bOk && GetLastError() != ERROR_INTERNAL_ERROR)
            break;
        if (!bOk)
            Sleep(200);
    }

    for (LPCWSTR pszName : { L"DIFXSTUB_JOURNAL", L"DIFXSTUB_THREADS", L"DIFXSTUB_CALL_COUNT", L"DIFXSTUB_DELAY_MS",
                             L"DIFXSTUB_UNREGISTER_DELAY_MS" })
        SetEnvironmentVariableW(pszName, nullptr);
    if (!bOk) {
        m_dwStartError = GetLastError();
        m_pi = {};
    }
    return bOk != FALSE;
}

bool CProgramRun::Wait(DWORD dwMs, DWORD* pdwExitCode)
{
    if (!m_pi.hProcess)
        return false;
    if (WaitForSingleObject(m_pi.hProcess, dwMs) != WAIT_OBJECT_0) {
        TerminateProcess(m_pi.hProcess, 99);
        WaitForSingleObject(m_pi.hProcess, 5000);
        return false;
    }
    DWORD dwCode = 0;
    GetExitCodeProcess(m_pi.hProcess, &dwCode);
    if (pdwExitCode)
        *pdwExitCode = dwCode;
    return true;
}

DWORD CProgramRun::RunToEnd(const std::wstring& strArgs, DWORD dwMs)
{
    DWORD dwExit = 0;
    if (!Start(strArgs) || !Wait(dwMs, &dwExit))
        return 0xFFFFFFFF;
    return dwExit;
}

bool CProgramRun::HasExited() const
{
    return !m_pi.hProcess || WaitForSingleObject(m_pi.hProcess, 0) == WAIT_OBJECT_0;
}

std::vector<HWND> CProgramRun::VisibleWindows() const
{
    std::vector<HWND> windows;
    FindContext ctx = { m_pi.dwProcessId, &windows };
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&ctx));
    return windows;
}

HWND CProgramRun::WaitForWindow(const std::wstring& strCaption, DWORD dwMs) const
{
    HWND hFound = nullptr;
    WaitUntil([&] {
        for (HWND hWnd : VisibleWindows()) {
            if (WindowText(hWnd) == strCaption) {
                hFound = hWnd;
                return true;
            }
        }
        return false;
    }, dwMs);
    return hFound;
}

std::vector<std::string> CProgramRun::Journal() const
{
    std::vector<std::string> lines;
    std::istringstream in(ReadFileBytes(File(L"journal.txt")));
    for (std::string strLine; std::getline(in, strLine);)
        lines.push_back(strLine);
    return lines;
}

std::vector<DWORD> CProgramRun::CallThreads() const
{
    std::vector<DWORD> ids;
    std::istringstream in(ReadFileBytes(File(L"threads.txt")));
    for (std::string strLine; std::getline(in, strLine);)
        ids.push_back(static_cast<DWORD>(std::stoul(strLine)));
    return ids;
}

long long CProgramRun::CallCount() const
{
    std::string strCount = ReadFileBytes(File(L"count.txt"));
    if (strCount.empty() || strCount.back() != '\n')
        return -1;
    return std::stoll(strCount);
}

std::wstring WindowText(HWND hWnd)
{
    WCHAR sz[2048] = {};
    GetWindowTextW(hWnd, sz, ARRAYSIZE(sz));
    return sz;
}

std::wstring ItemText(HWND hDlg, int nId)
{
    // WM_GETTEXT crosses the process boundary; GetWindowText of a control in
    // another process would not ask it.
    WCHAR sz[2048] = {};
    SendDlgItemMessageW(hDlg, nId, WM_GETTEXT, ARRAYSIZE(sz), reinterpret_cast<LPARAM>(sz));
    return sz;
}

bool WaitUntil(const std::function<bool()>& fn, DWORD dwMs)
{
    DWORD dwStart = GetTickCount();
    for (;;) {
        if (fn())
            return true;
        if (GetTickCount() - dwStart > dwMs)
            return false;
        Sleep(5);
    }
}
