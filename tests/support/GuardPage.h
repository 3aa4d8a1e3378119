#pragma once

#include <windows.h>

#include <cstddef>
#include <cstring>

// A copy of some bytes that ends right before a PAGE_NOACCESS page, so that
// any read past the end crashes the test instead of passing silently.
class CGuardedBuffer
{
public:
    explicit CGuardedBuffer(size_t cbMax)
    {
        SYSTEM_INFO si;
        GetSystemInfo(&si);
        m_cbPage = si.dwPageSize;
        m_cbData = (cbMax + m_cbPage - 1) / m_cbPage * m_cbPage;
        if (m_cbData == 0)
            m_cbData = m_cbPage;
        m_pBase = static_cast<BYTE*>(VirtualAlloc(nullptr, m_cbData + m_cbPage, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD dwOld = 0;
        if (m_pBase)
            VirtualProtect(m_pBase + m_cbData, m_cbPage, PAGE_NOACCESS, &dwOld);
    }
    ~CGuardedBuffer()
    {
        if (m_pBase)
            VirtualFree(m_pBase, 0, MEM_RELEASE);
    }
    CGuardedBuffer(const CGuardedBuffer&) = delete;
    CGuardedBuffer& operator=(const CGuardedBuffer&) = delete;

    bool IsValid() const { return m_pBase != nullptr; }
    size_t Capacity() const { return m_cbData; }

    // Copies cb bytes so that the last one is the last readable byte.
    void* Place(const void* pData, size_t cb)
    {
        if (cb > m_cbData)
            return nullptr;
        BYTE* pDest = m_pBase + m_cbData - cb;
        memcpy(pDest, pData, cb);
        return pDest;
    }

    // A modifiable wide string (with its terminator) ending at the guard page.
    WCHAR* PlaceWide(const WCHAR* psz, size_t cch)
    {
        return static_cast<WCHAR*>(Place(psz, (cch + 1) * sizeof(WCHAR)));
    }

private:
    BYTE* m_pBase = nullptr;
    size_t m_cbPage = 0;
    size_t m_cbData = 0;
};
