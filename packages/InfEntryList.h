#pragma once

#include <windows.h>

// One INF path of a list run. The path's text is stored in the same
// allocation, right after the node.
struct INF_ENTRY
{
    INF_ENTRY* pNext;
    LPCWSTR pszPath;
};

// The INF paths of a list run in file order, singly linked. Appending keeps
// the last node, so reading a list stays linear in its length.
class CInfEntryList
{
public:
    CInfEntryList() = default;
    ~CInfEntryList() { Clear(); }
    CInfEntryList(const CInfEntryList&) = delete;
    CInfEntryList& operator=(const CInfEntryList&) = delete;

    // Appends a copy of the cch units at psz. False when it cannot be
    // allocated; the list is then unchanged.
    bool Append(LPCWSTR psz, size_t cch);
    void Clear();

    const INF_ENTRY* First() const { return m_pFirst; }
    bool IsEmpty() const { return m_pFirst == nullptr; }

private:
    INF_ENTRY* m_pFirst = nullptr;
    INF_ENTRY* m_pLast = nullptr;
};
