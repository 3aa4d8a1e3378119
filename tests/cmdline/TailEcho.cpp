#include <windows.h>

#include <cwchar>

// Writes lpCmdLine, as the C runtime's start-up derived it, to
// "<own path>.tail" in UTF-16.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR pszCmdLine, int)
{
    WCHAR szPath[MAX_PATH + 8];
    DWORD cch = GetModuleFileNameW(nullptr, szPath, MAX_PATH);
    if (cch == 0 || cch >= MAX_PATH)
        return 1;
    wcscpy_s(szPath + cch, 8, L".tail");
    HANDLE h = CreateFileW(szPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return 2;
    DWORD cbWritten = 0;
    WriteFile(h, pszCmdLine, static_cast<DWORD>(wcslen(pszCmdLine) * sizeof(WCHAR)), &cbWritten, nullptr);
    CloseHandle(h);
    return 0;
}
