#include "DriverPackages.h"

#include <algorithm>

#include "TestFiles.h"

std::string PackageInfText(const std::wstring& strName, const std::wstring& strHardwareId, const char* pszModels)
{
    return "[Version]\r\n"
           "Signature = \"$WINDOWS NT$\"\r\n"
           "Class = TavelinSample\r\n"
           "ClassGuid = {6f3b2c10-58a4-4c8e-9d1e-3a7b5e2f0a11}\r\n"
           "Provider = %P%\r\n"
           "DriverVer = 12/08/2026,1.0.0.2\r\n"
           "CatalogFile = " + Narrow(strName) + ".cat\r\n"
           "\r\n[Manufacturer]\r\n%P% = Models, " + pszModels + "\r\n"
           "\r\n[Models." + pszModels + "]\r\n%D% = Dev_Install, " + Narrow(strHardwareId) + "\r\n"
           "\r\n[Dev_Install.NTamd64]\r\nAddReg = Dev_AddReg\r\n"
           "\r\n[Dev_Install.NTamd64.Services]\r\nAddService = , 0x00000002\r\n"
           "\r\n[Dev_AddReg]\r\nHKR,,TestPackage,," + Narrow(strName) + "\r\n"
           "\r\n[Strings]\r\nP = \"Tavelin tests\"\r\nD = \"Test device " + Narrow(strName) + "\"\r\n";
}

bool WritePackage(const std::wstring& strFolder, const std::wstring& strName, const std::wstring& strHardwareId,
                  bool bCatalog)
{
    return WriteFileBytes(strFolder + L"\\" + strName + L".inf", PackageInfText(strName, strHardwareId)) &&
           (!bCatalog || WriteFileBytes(strFolder + L"\\" + strName + L".cat", "catalog " + Narrow(strName)));
}

std::wstring InfFolder()
{
    WCHAR sz[MAX_PATH];
    GetWindowsDirectoryW(sz, MAX_PATH);
    return std::wstring(sz) + L"\\inf";
}

std::wstring CatalogRoot()
{
    WCHAR sz[MAX_PATH];
    GetSystemDirectoryW(sz, MAX_PATH);
    return std::wstring(sz) + L"\\catroot\\{F750E6C3-38EE-11D1-85E5-00C04FC295EE}";
}

void ForgetStagedPackage(const std::wstring& strName)
{
    DeleteFileW((InfFolder() + L"\\" + strName + L".inf").c_str());
    DeleteFileW((InfFolder() + L"\\" + strName + L".pnf").c_str());
    DeleteFileW((CatalogRoot() + L"\\" + strName + L".cat").c_str());
}

std::map<std::wstring, std::string> InfFolderFiles()
{
    std::map<std::wstring, std::string> files;
    WIN32_FIND_DATAW fd;
    HANDLE hFind = FindFirstFileW((InfFolder() + L"\\*").c_str(), &fd);
    if (hFind == INVALID_HANDLE_VALUE)
        return files;
    do {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        std::wstring strName = fd.cFileName;
        std::transform(strName.begin(), strName.end(), strName.begin(), towupper);
        files[strName] = ReadFileBytes(InfFolder() + L"\\" + fd.cFileName);
    } while (FindNextFileW(hFind, &fd));
    FindClose(hFind);
    return files;
}

int CountCopiesInInfFolder(const std::string& strBytes)
{
    int nCopies = 0;
    for (const auto& file : InfFolderFiles())
        nCopies += file.second == strBytes;
    return nCopies;
}
