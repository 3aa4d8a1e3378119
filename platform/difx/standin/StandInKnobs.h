#pragma once

#include <windows.h>

#include "platform/UniqueHandle.h"

// A copy of an environment variable's value, read when constructed. Empty when
// the variable is unset or its value could not be copied.
class CEnvironmentValue
{
public:
    explicit CEnvironmentValue(LPCWSTR pszName);
    CEnvironmentValue(const CEnvironmentValue&) = delete;
    CEnvironmentValue& operator=(const CEnvironmentValue&) = delete;

    bool IsEmpty() const { return c_str()[0] == L'\0'; }
    LPCWSTR c_str() const { return m_value.IsValid() ? static_cast<LPCWSTR>(m_value.Get()) : L""; }

private:
    CHeapBlock m_value;
};

// When the variable holds a decimal number (digits only, at most nine),
// sleeps that many milliseconds.
void SleepAsAsked(LPCWSTR pszVariable);

// When the variable names a file, waits while that file exists (a minute at
// most): a test holds the caller at this point until it has seen what it
// looks for, then deletes the file.
void HoldWhileFileIn(LPCWSTR pszVariable);

// Appends pszPrefix, pszPath in UTF-8 (when not null) and a line feed to the
// file named by the variable, as one write to a file opened for this line
// alone, so that a process that dies later loses nothing. Does nothing when the
// variable is unset or the file cannot be opened.
void AppendLineToFileIn(LPCWSTR pszVariable, const char* pszPrefix, LPCWSTR pszPath);

// The decimal number the variable holds (digits only, at most nine); 0 when
// it is unset or holds anything else.
DWORD NumberIn(LPCWSTR pszVariable);
