#include "platform/FullPathName.h"

CFullPathName::CFullPathName(LPCWSTR pszPath)
{
    if (!pszPath || pszPath[0] == L'\0')
        return;
    DWORD cch = GetFullPathNameW(pszPath, ARRAYSIZE(m_szShort), m_szShort, nullptr);
    if (cch == 0)
        return;
    LPCWSTR pszFull = m_szShort;
    if (cch >= ARRAYSIZE(m_szShort)) {
        // cch counts the terminator here.
        m_heap.Reset(malloc(static_cast<size_t>(cch) * sizeof(WCHAR)));
        LPWSTR pszLong = static_cast<LPWSTR>(m_heap.Get());
        if (!pszLong)
            return;
        const DWORD cchLong = GetFullPathNameW(pszPath, cch, pszLong, nullptr);
        if (cchLong == 0 || cchLong >= cch)
            return;
        pszFull = pszLong;
        cch = cchLong;
    }
    m_pszFull = pszFull;
    m_cchFull = cch;
}
