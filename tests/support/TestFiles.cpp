#include "TestFiles.h"

#include <vector>

CScratchDir::CScratchDir()
{
    WCHAR szTemp[MAX_PATH];
    DWORD cch = GetTempPathW(MAX_PATH, szTemp);
    std::wstring strBase(szTemp, cch);
    static LONG s_nSerial = 0;
    for (int i = 0; i < 1000; ++i) {
        std::wstring strTry = strBase + L"tavelin-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(InterlockedIncrement(&s_nSerial));
        if (CreateDirectoryW(strTry.c_str(), nullptr)) {
            m_strPath = strTry;
            return;
        }
    }
}

CScratchDir::~CScratchDir()
{
    if (!m_strPath.empty())
        RemoveTree(m_strPath);
}

void RemoveTree(const std::wstring& strPath)
{
    WIN32_FIND_DATAW fd;
    HANDLE hFind = FindFirstFileW((strPath + L"\\*").c_str(), &fd);
    if (hFind != INVALID_HANDLE_VALUE) {
        do {
            std::wstring strName = fd.cFileName;
            if (strName == L"." || strName == L"..")
                continue;
            std::wstring strChild = strPath + L"\\" + strName;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(strChild);
            } else {
                SetFileAttributesW(strChild.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(strChild.c_str());
            }
        } while (FindNextFileW(hFind, &fd));
        FindClose(hFind);
    }
    RemoveDirectoryW(strPath.c_str());
}

bool WriteFileBytes(const std::wstring& strPath, const std::string& strBytes)
{
    HANDLE h = CreateFileW(strPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    bool bOk = true;
    size_t cbDone = 0;
    while (bOk && cbDone < strBytes.size()) {
        DWORD cbChunk = static_cast<DWORD>(std::min<size_t>(strBytes.size() - cbDone, 1 << 20));
        DWORD cbWritten = 0;
        bOk = WriteFile(h, strBytes.data() + cbDone, cbChunk, &cbWritten, nullptr) && cbWritten == cbChunk;
        cbDone += cbWritten;
    }
    CloseHandle(h);
    return bOk;
}

std::string ReadFileBytes(const std::wstring& strPath)
{
    std::string strBytes;
    HANDLE h = CreateFileW(strPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return strBytes;
    char buf[65536];
    DWORD cbRead = 0;
    while (ReadFile(h, buf, sizeof(buf), &cbRead, nullptr) && cbRead > 0)
        strBytes.append(buf, cbRead);
    CloseHandle(h);
    return strBytes;
}

bool FileExists(const std::wstring& strPath)
{
    return GetFileAttributesW(strPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring ModuleDir()
{
    WCHAR szPath[MAX_PATH];
    DWORD cch = GetModuleFileNameW(nullptr, szPath, MAX_PATH);
    std::wstring str(szPath, cch);
    size_t nSlash = str.find_last_of(L"\\/");
    return nSlash == std::wstring::npos ? std::wstring(L".") : str.substr(0, nSlash);
}

std::wstring Widen(const std::string& str)
{
    std::wstring strOut;
    for (unsigned char ch : str)
        strOut.push_back(static_cast<WCHAR>(ch));
    return strOut;
}

std::string Narrow(const std::wstring& str)
{
    if (str.empty())
        return std::string();
    int cb = WideCharToMultiByte(CP_UTF8, 0, str.data(), static_cast<int>(str.size()), nullptr, 0, nullptr, nullptr);
    std::string strOut(static_cast<size_t>(cb), '\0');
    WideCharToMultiByte(CP_UTF8, 0, str.data(), static_cast<int>(str.size()), &strOut[0], cb, nullptr, nullptr);
    return strOut;
}
