#pragma once

#include <windows.h>

#include "platform/UniqueHandle.h"

// The full path that pszPath names, resolved against the current folder as
// GetFullPathNameW does, with no limit on its length.
class CFullPathName
{
public:
    explicit CFullPathName(LPCWSTR pszPath);
    CFullPathName(const CFullPathName&) = delete;
    CFullPathName& operator=(const CFullPathName&) = delete;

    // Null when the path cannot be resolved (or memory ran out).
    LPCWSTR Get() const { return m_pszFull; }
    size_t Length() const { return m_cchFull; }

private:
    WCHAR m_szShort[MAX_PATH];
    CHeapBlock m_heap;
    LPCWSTR m_pszFull = nullptr;
    size_t m_cchFull = 0;
};
