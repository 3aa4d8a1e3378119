// A DIFXAPI.dll that lacks three of the four functions the program uses: it
// must count as no DIFx at all. Its one function would journal a call.
#include <windows.h>

extern "C" __declspec(dllexport) DWORD WINAPI DriverPackageInstallW(PCWSTR, DWORD, const void*, BOOL*)
{
    HANDLE h = CreateFileW(L"partial-difx-called.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE)
        CloseHandle(h);
    return 0;
}
