#pragma once

#include <windows.h>

// One path of a CPlainInfList; the text is allocated with the node.
struct PLAIN_INF_NODE
{
    PLAIN_INF_NODE* pNext;
    WCHAR szPath[1];
};

// The yardstick the list reader is measured against: the plainest reader that
// does the same job. The file is opened as the product opens it (_wfsopen, "rt",
// _SH_DENYNO); fgets reads each line into 1024 bytes, MultiByteToWideChar
// (CP_ACP) converts it into 1024 units, and a malloc'd copy is appended to a
// singly linked list through a tail pointer. The header is checked with one
// _stricmp; nothing else is checked.
class CPlainInfList
{
public:
    CPlainInfList() = default;
    ~CPlainInfList() { Clear(); }
    CPlainInfList(const CPlainInfList&) = delete;
    CPlainInfList& operator=(const CPlainInfList&) = delete;

    // False when the file cannot be opened, the header is wrong, or memory runs out.
    bool Load(LPCWSTR pszPath);
    void Clear();

    const PLAIN_INF_NODE* First() const { return m_pFirst; }
    size_t Count() const { return m_cEntries; }

private:
    PLAIN_INF_NODE* m_pFirst = nullptr;
    PLAIN_INF_NODE* m_pLast = nullptr;
    size_t m_cEntries = 0;
};
