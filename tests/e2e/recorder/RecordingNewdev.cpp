// A newdev.dll that records what UpdateDriverForPlugAndPlayDevicesW is given,
// one line "<hardware ID>|<INF path>" per call, into the file that
// TAVELIN_NEWDEV_JOURNAL names, and installs nothing.
#include <windows.h>

#include <cwchar>

extern "C" __declspec(dllexport) BOOL WINAPI UpdateDriverForPlugAndPlayDevicesW(HWND /*hwndParent*/,
                                                                                LPCWSTR pszHardwareId,
                                                                                LPCWSTR pszInfPath, DWORD /*dwFlags*/,
                                                                                PBOOL pbRebootRequired)
{
    WCHAR szJournal[MAX_PATH] = {};
    const DWORD cch = GetEnvironmentVariableW(L"TAVELIN_NEWDEV_JOURNAL", szJournal, MAX_PATH);
    if (cch > 0 && cch < MAX_PATH) {
        HANDLE hFile = CreateFileW(szJournal, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        if (hFile != INVALID_HANDLE_VALUE) {
            WCHAR szLine[2048] = {};
            _snwprintf(szLine, ARRAYSIZE(szLine) - 1, L"%ls|%ls\n", pszHardwareId ? pszHardwareId : L"",
                       pszInfPath ? pszInfPath : L"");
            char szUtf8[4096] = {};
            const int cb = WideCharToMultiByte(CP_UTF8, 0, szLine, -1, szUtf8, sizeof(szUtf8), nullptr, nullptr);
            DWORD cbWritten = 0;
            if (cb > 1)
                WriteFile(hFile, szUtf8, static_cast<DWORD>(cb - 1), &cbWritten, nullptr);
            CloseHandle(hFile);
        }
    }
    if (pbRebootRequired)
        *pbRebootRequired = FALSE;
    return TRUE;
}
