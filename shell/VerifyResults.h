#pragma once

#include <windows.h>

// The text of the results dialog of /v, collected while the checks run:
// per package its path and whether it passed, then its problems and notes.
// Written by the worker thread only, read once the worker is done.
class CVerifyResults
{
public:
    CVerifyResults() = default;
    ~CVerifyResults();
    CVerifyResults(const CVerifyResults&) = delete;
    CVerifyResults& operator=(const CVerifyResults&) = delete;

    // A check's event: it belongs to the package whose end comes next.
    void AddEvent(INT nEventType, DWORD dwCode, LPCWSTR pszText);
    // The end of one package: its heading, then the events since the last one.
    void AddPackage(LPCWSTR pszInfPath, DWORD dwResult);

    // The whole text with its heading, CR LF line ends; never null.
    LPCWSTR Text();

private:
    // A growing text, terminated; it stops growing at a megabyte or so, cut
    // at a line end.
    struct TEXT_BUFFER
    {
        LPWSTR psz;
        size_t cch;
        size_t cchCapacity;
    };

    // Adds pszText, and CR LF after it when bLineEnd; nothing once the
    // buffer is full or memory runs out.
    void Append(TEXT_BUFFER* pBuffer, LPCWSTR pszText, bool bLineEnd);
    void AppendString(TEXT_BUFFER* pBuffer, UINT uId, ...);

    TEXT_BUFFER m_packages = {};
    TEXT_BUFFER m_events = {};
    TEXT_BUFFER m_whole = {};
    DWORD m_cPassed = 0;
    DWORD m_cFailed = 0;
};

extern CVerifyResults g_verifyResults;
