#include "PlainInfList.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <share.h>

namespace {

const int c_cbLine = 1024;
const int c_cchLine = 1024;

// Closes the list file on every way out.
class CStdioFile
{
public:
    explicit CStdioFile(FILE* pFile) : m_pFile(pFile) {}
    ~CStdioFile()
    {
        if (m_pFile)
            fclose(m_pFile);
    }
    CStdioFile(const CStdioFile&) = delete;
    CStdioFile& operator=(const CStdioFile&) = delete;

    FILE* Get() const { return m_pFile; }

private:
    FILE* m_pFile;
};

size_t StripLineFeed(char* pszLine)
{
    size_t cb = strlen(pszLine);
    if (cb > 0 && pszLine[cb - 1] == '\n')
        pszLine[--cb] = '\0';
    return cb;
}

} // namespace

bool CPlainInfList::Load(LPCWSTR pszPath)
{
    CStdioFile file(_wfsopen(pszPath, L"rt", _SH_DENYNO));
    if (!file.Get())
        return false;

    char szLine[c_cbLine];
    WCHAR szWide[c_cchLine];
    if (fgets(szLine, c_cbLine, file.Get())) {
        StripLineFeed(szLine);
        if (_stricmp(szLine, ";inflist") != 0)
            return false;
    }
    while (fgets(szLine, c_cbLine, file.Get())) {
        const size_t cbLine = StripLineFeed(szLine);
        int cch = 0;
        if (cbLine > 0)
            cch = MultiByteToWideChar(CP_ACP, 0, szLine, static_cast<int>(cbLine), szWide, c_cchLine - 1);
        szWide[cch] = L'\0';

        PLAIN_INF_NODE* pNode =
            static_cast<PLAIN_INF_NODE*>(malloc(sizeof(PLAIN_INF_NODE) + static_cast<size_t>(cch) * sizeof(WCHAR)));
        if (!pNode) {
            Clear();
            return false;
        }
        pNode->pNext = nullptr;
        wmemcpy(pNode->szPath, szWide, static_cast<size_t>(cch) + 1);
        if (m_pLast)
            m_pLast->pNext = pNode;
        else
            m_pFirst = pNode;
        m_pLast = pNode;
        ++m_cEntries;
    }
    return true;
}

void CPlainInfList::Clear()
{
    PLAIN_INF_NODE* pNode = m_pFirst;
    while (pNode) {
        PLAIN_INF_NODE* pNext = pNode->pNext;
        free(pNode);
        pNode = pNext;
    }
    m_pFirst = nullptr;
    m_pLast = nullptr;
    m_cEntries = 0;
}
