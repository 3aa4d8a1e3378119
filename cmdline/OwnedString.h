#pragma once

#include <windows.h>

// A private, heap-owned copy of a UTF-16 text. Three states: the empty text
// (nothing given), a text, or absent (the copy could not be allocated).
// An absent string reads as empty; callers that must not mistake a lost value
// for "not given" ask IsAbsent.
class CWideString
{
public:
    CWideString() = default;
    ~CWideString() { Release(); }

    CWideString(const CWideString&) = delete;
    CWideString& operator=(const CWideString&) = delete;

    // Replaces the text with a copy of psz (null counts as empty); psz may
    // point into the current text. Returns false when the copy could not be
    // allocated; the string is then absent.
    bool Assign(LPCWSTR psz);
    bool Assign(LPCWSTR psz, size_t cch);
    void Release();
    // Drops the text and leaves the string absent, as a failed copy does.
    void MarkAbsent();

    LPCWSTR c_str() const { return m_psz ? m_psz : L""; }
    size_t Length() const { return m_cch; }
    bool IsEmpty() const { return m_cch == 0; }
    bool IsAbsent() const { return m_bAbsent; }

private:
    LPWSTR m_psz = nullptr;
    size_t m_cch = 0;
    bool m_bAbsent = false;
};
