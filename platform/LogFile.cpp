#include "platform/LogFile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <utility>

#include "platform/FinalPathCheck.h"
#include "platform/OrdinaryFile.h"

namespace {

// A text is cut after this many units: longer than any path Windows can name.
const size_t c_cchTextMax = 32767;
// A UTF-16 unit never takes more than three UTF-8 bytes.
const size_t c_cbUtf8PerUnit = 3;
const size_t c_cbLineEnd = 2;
// The line buffer starts at this size and never grows beyond the limit; a
// line that would be longer is cut.
const size_t c_cbLineFirst = 4096;
const size_t c_cbLineLimit = 1u << 20;
const ULONGLONG c_ullTicksPerMs = 10000;
const LONGLONG c_llTicksPerMinute = 600000000;

ULONGLONG Ticks(const FILETIME& ft)
{
    return (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

} // namespace

size_t FormatLogTimeStamp(const FILETIME* pft, char* pszStamp, size_t cchStamp)
{
    if (!pszStamp || cchStamp == 0)
        return 0;
    pszStamp[0] = '\0';
    // The local time of this very moment carries the offset in force now,
    // summer time included.
    FILETIME ftLocal;
    if (!FileTimeToLocalFileTime(pft, &ftLocal))
        ftLocal = *pft;
    SYSTEMTIME st;
    if (!FileTimeToSystemTime(&ftLocal, &st))
        return 0;
    LONGLONG llMinutes = static_cast<LONGLONG>(Ticks(ftLocal) - Ticks(*pft)) / c_llTicksPerMinute;
    const char chSign = llMinutes < 0 ? '-' : '+';
    if (llMinutes < 0)
        llMinutes = -llMinutes;
    // The C runtime's own _snprintf: the standard snprintf of MinGW brings its
    // whole floating-point formatter into the exe. A cut text is caught below.
    const int cch = _snprintf(pszStamp, cchStamp, "%04u-%02u-%02uT%02u:%02u:%02u.%03u%c%02u:%02u", st.wYear, st.wMonth,
                              st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds, chSign,
                              static_cast<unsigned>(llMinutes / 60 % 100), static_cast<unsigned>(llMinutes % 60));
    if (cch <= 0 || static_cast<size_t>(cch) >= cchStamp) {
        pszStamp[0] = '\0';
        return 0;
    }
    return static_cast<size_t>(cch);
}

CLogFile::CLogFile()
{
    InitializeCriticalSection(&m_lock);
}

CLogFile::~CLogFile()
{
    m_file.Reset();
    free(m_pchLine);
    DeleteCriticalSection(&m_lock);
}

bool CLogFile::Open(LPCWSTR pszPath)
{
    if (!pszPath || pszPath[0] == L'\0')
        return false;
    // FILE_APPEND_DATA without FILE_WRITE_DATA: every write lands at the end
    // of the file, also when another program appends to it meanwhile.
    // FILE_READ_ATTRIBUTES lets the checks below ask about the file. Shared
    // for deleting too, so log tools may rename or remove the file while the
    // run writes: later lines follow the file to its new name. A link of the
    // log's name is opened as itself, not followed, and a pipe server at the
    // other end of the path may only identify this elevated caller, never
    // act as it.
    const DWORD dwAccess = FILE_APPEND_DATA | FILE_READ_ATTRIBUTES;
    const DWORD dwShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const DWORD dwFlags =
        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION;
    // A file this open creates is opened with the right to delete it, so that
    // it can go again should it turn out to lie elsewhere than named; an
    // existing one is opened as before.
    bool bCreated = true;
    CFileHandle file(CreateFileW(pszPath, dwAccess | DELETE, dwShare, nullptr, CREATE_NEW, dwFlags, nullptr));
    if (!file.IsValid()) {
        bCreated = false;
        file.Reset(CreateFileW(pszPath, dwAccess, dwShare, nullptr, OPEN_ALWAYS, dwFlags, nullptr));
    }
    if (!file.IsValid() || !IsOrdinaryDiskFile(file.Get()))
        return false;
    // A link in a folder above the file leads somewhere the caller did not
    // name, perhaps a folder only administrators may write: refused, and a
    // file created there is deleted before anything is written to it.
    if (!IsFileAtGivenPath(file.Get(), pszPath)) {
        if (bCreated) {
            FILE_DISPOSITION_INFO disposition = { TRUE };
            SetFileInformationByHandle(file.Get(), FileDispositionInfo, &disposition, sizeof(disposition));
        }
        return false;
    }
    EnterCriticalSection(&m_lock);
    m_file = std::move(file);
    LeaveCriticalSection(&m_lock);
    return true;
}

// Grows the line buffer to at least cb bytes, up to the limit. False when it
// stays smaller; what it holds is kept either way.
bool CLogFile::Reserve(size_t cb)
{
    if (cb <= m_cbLine)
        return true;
    size_t cbNew = m_cbLine < c_cbLineFirst ? c_cbLineFirst : m_cbLine;
    while (cbNew < cb && cbNew < c_cbLineLimit)
        cbNew *= 2;
    if (cbNew > c_cbLineLimit)
        cbNew = c_cbLineLimit;
    if (cbNew <= m_cbLine)
        return false;
    char* pchNew = static_cast<char*>(realloc(m_pchLine, cbNew));
    if (!pchNew)
        return false;
    m_pchLine = pchNew;
    m_cbLine = cbNew;
    return cbNew >= cb;
}

// Puts the time stamp and a blank at the start of the line; returns their
// length. Stamped under the lock, so the lines of the file are in time order.
size_t CLogFile::AppendStamp()
{
    FILETIME ftNow;
    GetSystemTimeAsFileTime(&ftNow);
    const ULONGLONG ullMs = Ticks(ftNow) / c_ullTicksPerMs;
    if (m_cbStamp == 0 || ullMs != m_ullStampMs) {
        m_cbStamp = FormatLogTimeStamp(&ftNow, m_szStamp, sizeof(m_szStamp));
        m_ullStampMs = ullMs;
    }
    // The line buffer holds at least c_cbLineFirst bytes, far more than the
    // stamp's sizeof(m_szStamp).
    memcpy(m_pchLine, m_szStamp, m_cbStamp);
    m_pchLine[m_cbStamp] = ' ';
    return m_cbStamp + 1;
}

// Appends pszText in UTF-8 at cbUsed, leaving room for the line end, and
// returns the new length. A text that does not fit is cut. Control
// characters become blanks.
size_t CLogFile::AppendUtf8(size_t cbUsed, LPCWSTR pszText)
{
    if (!pszText)
        return cbUsed;
    size_t cch = wcsnlen(pszText, c_cchTextMax);
    Reserve(cbUsed + cch * c_cbUtf8PerUnit + c_cbLineEnd);
    if (cbUsed + c_cbLineEnd >= m_cbLine)
        return cbUsed;
    const size_t cbRoom = m_cbLine - c_cbLineEnd - cbUsed;
    if (cch > cbRoom / c_cbUtf8PerUnit)
        cch = cbRoom / c_cbUtf8PerUnit;

    // Most of a log is ASCII, which is its own UTF-8.
    char* pch = m_pchLine + cbUsed;
    size_t i = 0;
    for (; i < cch && pszText[i] < 0x80; ++i)
        pch[i] = pszText[i] < L' ' ? ' ' : static_cast<char>(pszText[i]);
    if (i == cch)
        return cbUsed + cch;

    const int cb = WideCharToMultiByte(CP_UTF8, 0, pszText + i, static_cast<int>(cch - i), pch + i,
                                       static_cast<int>(cbRoom - i), nullptr, nullptr);
    if (cb <= 0)
        return cbUsed + i;
    // No byte of a multi-byte UTF-8 sequence is below 0x80, so this touches
    // control characters only.
    for (size_t k = i; k < i + static_cast<size_t>(cb); ++k) {
        if (static_cast<unsigned char>(pch[k]) < 0x20)
            pch[k] = ' ';
    }
    return cbUsed + i + static_cast<size_t>(cb);
}

void CLogFile::WriteLine(const LPCWSTR* rgpszTexts, size_t cTexts)
{
    if (!IsOpen())
        return;
    EnterCriticalSection(&m_lock);
    if (Reserve(c_cbLineFirst)) {
        size_t cbUsed = AppendStamp();
        for (size_t i = 0; i < cTexts; ++i)
            cbUsed = AppendUtf8(cbUsed, rgpszTexts[i]);
        m_pchLine[cbUsed++] = '\r';
        m_pchLine[cbUsed++] = '\n';
        DWORD cbWritten = 0;
        WriteFile(m_file.Get(), m_pchLine, static_cast<DWORD>(cbUsed), &cbWritten, nullptr);
    }
    LeaveCriticalSection(&m_lock);
}
