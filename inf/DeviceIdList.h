#pragma once

#include <windows.h>

// A small set of device IDs (hardware or compatible IDs), compared without
// regard to case as Windows compares them, kept in the order first added.
class CDeviceIdList
{
public:
    CDeviceIdList() = default;
    ~CDeviceIdList();
    CDeviceIdList(const CDeviceIdList&) = delete;
    CDeviceIdList& operator=(const CDeviceIdList&) = delete;

    // Adds a copy of pszId unless the list holds it already. False when
    // memory runs out.
    bool Add(LPCWSTR pszId);
    bool Contains(LPCWSTR pszId) const;
    bool IsEmpty() const { return m_cch == 0; }

    // The IDs one after another: First(), then Next() until null.
    LPCWSTR First() const { return m_cch ? m_psz : nullptr; }
    LPCWSTR Next(LPCWSTR pszId) const;

private:
    // Each ID terminated, one after the other; m_cch units in use.
    LPWSTR m_psz = nullptr;
    size_t m_cch = 0;
    size_t m_cchCapacity = 0;
};

// File paths compare the same way: the list serves for them too.
using CPathList = CDeviceIdList;

// True when the two IDs are equal without regard to case.
bool DeviceIdEquals(LPCWSTR pszA, LPCWSTR pszB);
