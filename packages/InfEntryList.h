#pragma once

#include <windows.h>

#include "platform/UniqueHandle.h"

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
    // Marks the entry appended last as a piece of the list's line uLine, a
    // line too long to be read whole. False when memory ran out.
    bool MarkLastAsPiece(UINT uLine);
    void Clear();

    const INF_ENTRY* First() const { return m_pFirst; }
    bool IsEmpty() const { return m_pFirst == nullptr; }

    // The pieces in list order: a run walks them beside the entries, so the
    // entries themselves stay as small as a list of whole lines needs.
    struct INF_PIECE
    {
        const INF_ENTRY* pEntry;
        UINT uLine;
    };
    const INF_PIECE* Pieces() const { return static_cast<const INF_PIECE*>(m_pieces.Get()); }
    size_t PieceCount() const { return m_cPieces; }

private:
    INF_ENTRY* m_pFirst = nullptr;
    INF_ENTRY* m_pLast = nullptr;
    CHeapBlock m_pieces;
    size_t m_cPieces = 0;
    size_t m_cPiecesMax = 0;
};
