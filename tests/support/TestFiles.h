#pragma once

#include <windows.h>

#include <string>

// A fresh, empty folder under the Wine prefix's temp folder, removed with
// everything in it when the holder goes away.
class CScratchDir
{
public:
    CScratchDir();
    ~CScratchDir();
    CScratchDir(const CScratchDir&) = delete;
    CScratchDir& operator=(const CScratchDir&) = delete;

    const std::wstring& Path() const { return m_strPath; }
    std::wstring File(const std::wstring& strName) const { return m_strPath + L"\\" + strName; }

private:
    std::wstring m_strPath;
};

// Writes the bytes as they are (binary), replacing the file.
bool WriteFileBytes(const std::wstring& strPath, const std::string& strBytes);
std::string ReadFileBytes(const std::wstring& strPath);
bool FileExists(const std::wstring& strPath);

// The folder that holds the running test program.
std::wstring ModuleDir();

// Deletes a folder tree.
void RemoveTree(const std::wstring& strPath);

// Byte-for-unit widening, for ASCII test texts; UTF-8 narrowing for messages.
std::wstring Widen(const std::string& str);
std::string Narrow(const std::wstring& str);
