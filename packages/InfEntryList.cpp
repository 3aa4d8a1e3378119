#include "InfEntryList.h"

#include <cstdint>
#include <cstdlib>
#include <cwchar>

bool CInfEntryList::Append(LPCWSTR psz, size_t cch)
{
    if (cch >= (SIZE_MAX - sizeof(INF_ENTRY)) / sizeof(WCHAR))
        return false;
    INF_ENTRY* pNode = static_cast<INF_ENTRY*>(malloc(sizeof(INF_ENTRY) + (cch + 1) * sizeof(WCHAR)));
    if (!pNode)
        return false;
    LPWSTR pszCopy = reinterpret_cast<LPWSTR>(pNode + 1);
    wmemcpy(pszCopy, psz, cch);
    pszCopy[cch] = L'\0';
    pNode->pNext = nullptr;
    pNode->pszPath = pszCopy;

    if (m_pLast)
        m_pLast->pNext = pNode;
    else
        m_pFirst = pNode;
    m_pLast = pNode;
    return true;
}

bool CInfEntryList::MarkLastAsPiece(UINT uLine)
{
    if (!m_pLast)
        return false;
    if (m_cPieces == m_cPiecesMax) {
        const size_t cNew = m_cPiecesMax ? m_cPiecesMax * 2 : 16;
        if (cNew > SIZE_MAX / sizeof(INF_PIECE))
            return false;
        void* pNew = realloc(m_pieces.Get(), cNew * sizeof(INF_PIECE));
        if (!pNew)
            return false;
        m_pieces.Detach();
        m_pieces.Reset(pNew);
        m_cPiecesMax = cNew;
    }
    static_cast<INF_PIECE*>(m_pieces.Get())[m_cPieces++] = { m_pLast, uLine };
    return true;
}

void CInfEntryList::Clear()
{
    INF_ENTRY* pNode = m_pFirst;
    while (pNode) {
        INF_ENTRY* pNext = pNode->pNext;
        free(pNode);
        pNode = pNext;
    }
    m_pFirst = nullptr;
    m_pLast = nullptr;
    m_pieces.Reset();
    m_cPieces = 0;
    m_cPiecesMax = 0;
}
