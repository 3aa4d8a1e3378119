#pragma once

#include <windows.h>

#include <string>

// Makes a folder the current one for the life of the holder.
class CCurrentFolder
{
public:
    explicit CCurrentFolder(const std::wstring& strPath)
    {
        DWORD cch = GetCurrentDirectoryW(MAX_PATH, m_szOld);
        m_bChanged = cch > 0 && cch < MAX_PATH && SetCurrentDirectoryW(strPath.c_str());
    }
    ~CCurrentFolder()
    {
        if (m_bChanged)
            SetCurrentDirectoryW(m_szOld);
    }
    CCurrentFolder(const CCurrentFolder&) = delete;
    CCurrentFolder& operator=(const CCurrentFolder&) = delete;

    bool IsChanged() const { return m_bChanged; }

private:
    WCHAR m_szOld[MAX_PATH] = {};
    bool m_bChanged = false;
};
