#include "OwnedString.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>

bool CWideString::Assign(LPCWSTR psz)
{
    return Assign(psz, psz ? wcslen(psz) : 0);
}

bool CWideString::Assign(LPCWSTR psz, size_t cch)
{
    Release();
    if (cch == 0)
        return true;
    if (cch >= SIZE_MAX / sizeof(WCHAR)) {
        m_bAbsent = true;
        return false;
    }
    LPWSTR pszCopy = static_cast<LPWSTR>(malloc((cch + 1) * sizeof(WCHAR)));
    if (!pszCopy) {
        m_bAbsent = true;
        return false;
    }
    memcpy(pszCopy, psz, cch * sizeof(WCHAR));
    pszCopy[cch] = L'\0';
    m_psz = pszCopy;
    m_cch = cch;
    return true;
}

void CWideString::Release()
{
    free(m_psz);
    m_psz = nullptr;
    m_cch = 0;
    m_bAbsent = false;
}
