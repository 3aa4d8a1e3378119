#include "StandInKnobs.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace {

// A UTF-16 unit never takes more than three UTF-8 bytes (a surrogate pair
// takes four for two units).
const size_t c_cbUtf8PerUnit = 3;
// Longer paths than Windows can name at all are cut; these files are a test aid.
const size_t c_cchPathMax = 32767;

} // namespace

CEnvironmentValue::CEnvironmentValue(LPCWSTR pszName)
{
    DWORD cch = GetEnvironmentVariableW(pszName, nullptr, 0);
    if (cch == 0)
        return;
    m_value.Reset(malloc(cch * sizeof(WCHAR)));
    LPWSTR psz = static_cast<LPWSTR>(m_value.Get());
    if (!psz)
        return;
    // The value may have changed in between; a result that does not fit means
    // it grew, and then it is left empty.
    DWORD cchCopied = GetEnvironmentVariableW(pszName, psz, cch);
    if (cchCopied == 0 || cchCopied >= cch)
        psz[0] = L'\0';
}

void HoldWhileFileIn(LPCWSTR pszVariable)
{
    CEnvironmentValue path(pszVariable);
    if (path.IsEmpty())
        return;
    const ULONGLONG ullEnd = GetTickCount64() + 60000;
    while (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES && GetTickCount64() < ullEnd)
        Sleep(5);
}

void SleepAsAsked(LPCWSTR pszVariable)
{
    CEnvironmentValue delay(pszVariable);
    LPCWSTR psz = delay.c_str();
    DWORD dwMilliseconds = 0;
    size_t cDigits = 0;
    for (; psz[cDigits]; ++cDigits) {
        if (cDigits == 9 || psz[cDigits] < L'0' || psz[cDigits] > L'9')
            return;
        dwMilliseconds = dwMilliseconds * 10 + static_cast<DWORD>(psz[cDigits] - L'0');
    }
    if (cDigits > 0)
        Sleep(dwMilliseconds);
}

void AppendLineToFileIn(LPCWSTR pszVariable, const char* pszPrefix, LPCWSTR pszPath)
{
    CEnvironmentValue target(pszVariable);
    if (target.IsEmpty())
        return;

    const size_t cbPrefix = strlen(pszPrefix);
    const size_t cchPath = pszPath ? wcsnlen(pszPath, c_cchPathMax) : 0;
    const size_t cbPathMax = cchPath * c_cbUtf8PerUnit;
    CHeapBlock block(malloc(cbPrefix + cbPathMax + 1));
    char* pszLine = static_cast<char*>(block.Get());
    if (!pszLine)
        return;

    memcpy(pszLine, pszPrefix, cbPrefix);
    size_t cbLine = cbPrefix;
    if (cchPath > 0) {
        int cbPath = WideCharToMultiByte(CP_UTF8, 0, pszPath, static_cast<int>(cchPath), pszLine + cbLine,
                                         static_cast<int>(cbPathMax), nullptr, nullptr);
        if (cbPath > 0)
            cbLine += static_cast<size_t>(cbPath);
    }
    pszLine[cbLine++] = '\n';

    // FILE_APPEND_DATA alone: every write lands at the current end of the file.
    CFileHandle file(CreateFileW(target.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
        return;
    DWORD cbWritten = 0;
    WriteFile(file.Get(), pszLine, static_cast<DWORD>(cbLine), &cbWritten, nullptr);
}

DWORD NumberIn(LPCWSTR pszVariable)
{
    CEnvironmentValue value(pszVariable);
    LPCWSTR psz = value.c_str();
    DWORD dwNumber = 0;
    for (size_t cDigits = 0; psz[cDigits]; ++cDigits) {
        if (cDigits == 9 || psz[cDigits] < L'0' || psz[cDigits] > L'9')
            return 0;
        dwNumber = dwNumber * 10 + static_cast<DWORD>(psz[cDigits] - L'0');
    }
    return dwNumber;
}
