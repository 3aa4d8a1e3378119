#include "inf/DeviceIdList.h"

#include <cstdint>
#include <cstdlib>
#include <cwchar>

bool DeviceIdEquals(LPCWSTR pszA, LPCWSTR pszB)
{
    return CompareStringOrdinal(pszA, -1, pszB, -1, TRUE) == CSTR_EQUAL;
}

CDeviceIdList::~CDeviceIdList()
{
    free(m_psz);
}

bool CDeviceIdList::Add(LPCWSTR pszId)
{
    if (!pszId || pszId[0] == L'\0' || Contains(pszId))
        return true;
    const size_t cchId = wcslen(pszId) + 1;
    if (cchId > SIZE_MAX / 4 - m_cch)
        return false;
    if (m_cch + cchId > m_cchCapacity) {
        size_t cchNew = m_cchCapacity ? m_cchCapacity * 2 : 256;
        while (cchNew < m_cch + cchId)
            cchNew *= 2;
        LPWSTR pszNew = static_cast<LPWSTR>(realloc(m_psz, cchNew * sizeof(WCHAR)));
        if (!pszNew)
            return false;
        m_psz = pszNew;
        m_cchCapacity = cchNew;
    }
    wmemcpy(m_psz + m_cch, pszId, cchId);
    m_cch += cchId;
    return true;
}

bool CDeviceIdList::Contains(LPCWSTR pszId) const
{
    for (LPCWSTR p = First(); p; p = Next(p)) {
        if (DeviceIdEquals(p, pszId))
            return true;
    }
    return false;
}

LPCWSTR CDeviceIdList::Next(LPCWSTR pszId) const
{
    LPCWSTR pszNext = pszId + wcslen(pszId) + 1;
    return pszNext < m_psz + m_cch ? pszNext : nullptr;
}
