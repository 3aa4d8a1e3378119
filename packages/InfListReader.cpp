// The INF list file: a header line ";inflist", then one INF path per line in
// the system ANSI code page. Lines are taken as the C runtime's text mode
// delivers them; nothing is trimmed or skipped.
#include "DriverPackageBatch.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <share.h>

#include "platform/UniqueHandle.h"

namespace {

// fgets reads at most this many bytes per piece, the line feed included; a
// longer line arrives as several pieces, each an entry of its own, which a
// run never acts on.
const size_t c_cbLinePiece = 1023;
// No piece converts to more UTF-16 units than it has bytes.
const size_t c_cchEntryMax = c_cbLinePiece;

const char c_szHeader[] = ";inflist";
const size_t c_cbHeader = sizeof(c_szHeader) - 1;

// The text of a piece: up to a NUL byte, without a closing line feed.
size_t LineTextLength(const char* pszPiece)
{
    size_t cb = strnlen(pszPiece, c_cbLinePiece);
    if (cb > 0 && pszPiece[cb - 1] == '\n')
        --cb;
    return cb;
}

// Whether the piece fgets just read ends its line: it does unless it
// filled the buffer without reaching a line feed and more of the file
// follows. A last line without a line end that fits one piece is whole.
bool EndsLine(const char* pszPiece, FILE* pFile)
{
    if (pszPiece[c_cbLinePiece] != '\0' || pszPiece[c_cbLinePiece - 1] == '\n')
        return true;
    const int ch = getc(pFile);
    if (ch == EOF)
        return true;
    ungetc(ch, pFile);
    return false;
}

// ASCII letters only: the header must not depend on the system's locale.
bool IsListHeader(const char* pchText, size_t cbText)
{
    if (cbText != c_cbHeader)
        return false;
    for (size_t i = 0; i < cbText; ++i) {
        char ch = pchText[i];
        if (ch >= 'A' && ch <= 'Z')
            ch = static_cast<char>(ch - 'A' + 'a');
        if (ch != c_szHeader[i])
            return false;
    }
    return true;
}

// Converts one line from the ANSI code page into pszEntry (c_cchEntryMax units
// plus the terminator) and returns its length. A line that does not convert
// becomes an empty entry, which DIFx then rejects on its own: the entry count
// still matches the lines of the file.
size_t ConvertLine(const char* pchText, size_t cbText, LPWSTR pszEntry)
{
    int cch = 0;
    if (cbText > 0)
        cch = MultiByteToWideChar(CP_ACP, 0, pchText, static_cast<int>(cbText), pszEntry,
                                  static_cast<int>(c_cchEntryMax));
    if (cch < 0)
        cch = 0;
    pszEntry[cch] = L'\0';
    return static_cast<size_t>(cch);
}

} // namespace

// Notes why the list is not run, for the exit code, and logs how reading it
// ended. True when it was loaded.
bool CDriverPackageBatch::EndListRead(EListOutcome outcome, DWORD dwError, INT nCount)
{
    if (outcome != listLoaded)
        m_summary.dwOperationError = dwError;
    if (m_pLog)
        m_pLog->ListRead(m_strListFile.c_str(), outcome, dwError, nCount);
    return outcome == listLoaded;
}

bool CDriverPackageBatch::LoadInfList()
{
    // An absent path (its copy failed) would read as "" and must not stand for
    // any file.
    if (m_strListFile.IsAbsent())
        return EndListRead(listOutOfMemory, ERROR_NOT_ENOUGH_MEMORY, 0);
    // Text mode drops CR before LF and ends the file at Ctrl-Z; _SH_DENYNO lets
    // another program keep the list open for writing.
    SetLastError(ERROR_SUCCESS);
    CCrtFileHandle file(_wfsopen(m_strListFile.c_str(), L"rt", _SH_DENYNO));
    if (!file.IsValid()) {
        // The C runtime opens with CreateFileW and leaves its error in place.
        const DWORD dwError = GetLastError();
        return EndListRead(listNotOpened, dwError != ERROR_SUCCESS ? dwError : ERROR_FILE_NOT_FOUND, 0);
    }

    EListOutcome outcome = listLoaded;
    bool bHeaderLine = true;
    INT nCount = 0;
    UINT uLine = 0;
    // The previous piece did not end its line.
    bool bLineGoesOn = false;
    char szPiece[c_cbLinePiece + 1];
    WCHAR szEntry[c_cchEntryMax + 1];
    for (;;) {
        // fgets ends what it read with a NUL right behind it: the last byte
        // becomes one only when the piece filled the buffer, which tells a
        // full piece even where the line holds a NUL byte.
        szPiece[c_cbLinePiece] = 1;
        if (!fgets(szPiece, static_cast<int>(sizeof(szPiece)), file.Get()))
            break;
        const size_t cbText = LineTextLength(szPiece);
        const bool bEndsLine = EndsLine(szPiece, file.Get());
        // Every piece of a line too long to be read whole stays an entry,
        // and none of them is acted on.
        const bool bPiece = bLineGoesOn || !bEndsLine;
        if (!bLineGoesOn)
            ++uLine;
        bLineGoesOn = !bEndsLine;
        if (bHeaderLine) {
            bHeaderLine = false;
            if (!IsListHeader(szPiece, cbText)) {
                outcome = listWrongHeader;
                break;
            }
            continue;
        }
        const size_t cchEntry = ConvertLine(szPiece, cbText, szEntry);
        if (nCount == INT_MAX || !m_entries.Append(szEntry, cchEntry) ||
            (bPiece && !m_entries.MarkLastAsPiece(uLine))) {
            // Out of memory: a list cut short must not be installed as if it
            // were whole, so the run sees no list at all.
            m_entries.Clear();
            nCount = 0;
            outcome = listOutOfMemory;
            break;
        }
        ++nCount;
    }
    file.Reset();

    m_pCallback->SetTotal(nCount);
    const DWORD dwError = outcome == listWrongHeader   ? ERROR_INVALID_DATA
                          : outcome == listOutOfMemory ? ERROR_NOT_ENOUGH_MEMORY
                                                       : ERROR_SUCCESS;
    return EndListRead(outcome, dwError, nCount);
}
