#include "VerifyResults.h"

#include <cstdarg>
#include <cstdlib>
#include <cwchar>

#include "AppInstance.h"
#include "platform/BoundedFormat.h"
#include "platform/difx/DifxApi.h"
#include "res/resource.h"

CVerifyResults g_verifyResults;

namespace {

// A list of many packages with many problems each stays far below this.
const size_t c_cchMax = 1024 * 1024;
const int c_cchFormat = 256;
const size_t c_cchLine = 2560;

} // namespace

CVerifyResults::~CVerifyResults()
{
    free(m_packages.psz);
    free(m_events.psz);
    free(m_whole.psz);
}

void CVerifyResults::Append(TEXT_BUFFER* pBuffer, LPCWSTR pszText, bool bLineEnd)
{
    const size_t cchText = wcslen(pszText);
    const size_t cchEnd = bLineEnd ? 2 : 0;
    // The text, its line end and the terminator.
    const size_t cchNeeded = pBuffer->cch + cchText + cchEnd + 1;
    if (cchNeeded > c_cchMax)
        return;
    if (cchNeeded > pBuffer->cchCapacity) {
        size_t cchNew = pBuffer->cchCapacity ? pBuffer->cchCapacity * 2 : 1024;
        while (cchNew < cchNeeded)
            cchNew *= 2;
        LPWSTR pszNew = static_cast<LPWSTR>(realloc(pBuffer->psz, cchNew * sizeof(WCHAR)));
        if (!pszNew)
            return;
        pBuffer->psz = pszNew;
        pBuffer->cchCapacity = cchNew;
    }
    wmemcpy(pBuffer->psz + pBuffer->cch, pszText, cchText);
    wmemcpy(pBuffer->psz + pBuffer->cch + cchText, L"\r\n", cchEnd);
    pBuffer->cch += cchText + cchEnd;
    pBuffer->psz[pBuffer->cch] = L'\0';
}

// A line from the string table's format uId and its arguments.
void CVerifyResults::AppendString(TEXT_BUFFER* pBuffer, UINT uId, ...)
{
    WCHAR szFormat[c_cchFormat] = {};
    if (LoadStringW(g_hInstance, uId, szFormat, c_cchFormat) <= 0)
        return;
    WCHAR szLine[c_cchLine];
    va_list args;
    va_start(args, uId);
    FormatBoundedV(szLine, c_cchLine, szFormat, args);
    va_end(args);
    Append(pBuffer, szLine, true);
}

void CVerifyResults::AddEvent(INT nEventType, DWORD dwCode, LPCWSTR pszText)
{
    if (nEventType == DIFXAPI_ERROR)
        AppendString(&m_events, IDS_VERIFY_PROBLEM, dwCode, pszText ? pszText : L"");
    else
        AppendString(&m_events, IDS_VERIFY_NOTE, pszText ? pszText : L"");
}

void CVerifyResults::AddPackage(LPCWSTR pszInfPath, DWORD dwResult)
{
    if (!pszInfPath)
        pszInfPath = L"";
    if (dwResult == ERROR_SUCCESS) {
        ++m_cPassed;
        AppendString(&m_packages, IDS_VERIFY_PASSED, pszInfPath);
    } else {
        ++m_cFailed;
        AppendString(&m_packages, IDS_VERIFY_FAILED, pszInfPath, dwResult);
    }
    if (m_events.cch > 0)
        Append(&m_packages, m_events.psz, false);
    // A blank line between packages.
    Append(&m_packages, L"", true);
    m_events.cch = 0;
}

LPCWSTR CVerifyResults::Text()
{
    m_whole.cch = 0;
    if (m_cPassed + m_cFailed == 0)
        AppendString(&m_whole, IDS_VERIFY_NONE);
    else
        AppendString(&m_whole, IDS_VERIFY_SUMMARY, m_cPassed + m_cFailed, m_cPassed, m_cFailed);
    Append(&m_whole, L"", true);
    if (m_packages.cch > 0)
        Append(&m_whole, m_packages.psz, false);
    return m_whole.psz ? m_whole.psz : L"";
}
