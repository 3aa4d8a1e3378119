#include "StagingFolders.h"

std::wstring StagingFolder(bool bCatalogRoot)
{
    WCHAR sz[MAX_PATH];
    if (bCatalogRoot) {
        GetSystemDirectoryW(sz, MAX_PATH);
        return std::wstring(sz) + L"\\catroot\\{F750E6C3-38EE-11D1-85E5-00C04FC295EE}";
    }
    GetWindowsDirectoryW(sz, MAX_PATH);
    return std::wstring(sz) + L"\\inf";
}

bool WriteBytes(const std::wstring& strPath, const std::string& strBytes)
{
    HANDLE h = CreateFileW(strPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD cb = 0;
    const bool bOk = WriteFile(h, strBytes.data(), static_cast<DWORD>(strBytes.size()), &cb, nullptr) &&
                     cb == strBytes.size();
    CloseHandle(h);
    return bOk;
}
