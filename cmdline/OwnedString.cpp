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
    // The copy is made before the old text goes: psz may point into it.
    LPWSTR pszCopy = nullptr;
    if (cch > 0) {
        if (cch < SIZE_MAX / sizeof(WCHAR))
            pszCopy = static_cast<LPWSTR>(malloc((cch + 1) * sizeof(WCHAR)));
        if (!pszCopy) {
            MarkAbsent();
            return false;
        }
        memcpy(pszCopy, psz, cch * sizeof(WCHAR));
        pszCopy[cch] = L'\0';
    }
    Release();
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

void CWideString::MarkAbsent()
{
    Release();
    m_bAbsent = true;
}
