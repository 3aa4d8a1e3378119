#pragma once

#include <windows.h>

#include "platform/UniqueHandle.h"

// A log that lines are appended to from any thread. Each line is stamped with
// the local time (ISO 8601, milliseconds, UTC offset), ends in CRLF and is
// written as UTF-8 with one WriteFile under a lock, so a reader tailing the
// file never sees two lines mixed and a process killed later loses no line
// written before. Control characters inside a text show as blanks, so one
// call is always one line.
class CLogFile
{
public:
    CLogFile();
    ~CLogFile();
    CLogFile(const CLogFile&) = delete;
    CLogFile& operator=(const CLogFile&) = delete;

    // Opens pszPath for appending (created when missing), shared for reading,
    // writing and deleting. False when it cannot be opened, is no ordinary
    // disk file (IsOrdinaryDiskFile), or lies elsewhere than pszPath says
    // (IsFileAtGivenPath; a file this open created is then deleted); every
    // write then does nothing.
    bool Open(LPCWSTR pszPath);
    bool IsOpen() const { return m_file.IsValid(); }

    // Writes one line: the time stamp, a blank, then the texts as they follow
    // each other. A null text counts as empty.
    void WriteLine(const LPCWSTR* rgpszTexts, size_t cTexts);

private:
    bool Reserve(size_t cb);
    size_t AppendStamp();
    size_t AppendUtf8(size_t cbUsed, LPCWSTR pszText);

    CRITICAL_SECTION m_lock;
    CFileHandle m_file;
    // Everything below is only touched under m_lock.
    // The line being written.
    char* m_pchLine = nullptr;
    size_t m_cbLine = 0;
    // The last time stamp and the millisecond it stands for: a busy run
    // writes many lines per millisecond, and they share one.
    ULONGLONG m_ullStampMs = 0;
    char m_szStamp[40] = {};
    size_t m_cbStamp = 0;
};

// Writes "YYYY-MM-DDThh:mm:ss.mmm+hh:mm" for the local time of the system
// time pft into pszStamp (cchStamp bytes, terminated). Returns its length,
// 0 when it does not fit.
size_t FormatLogTimeStamp(const FILETIME* pft, char* pszStamp, size_t cchStamp);
