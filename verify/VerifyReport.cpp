#include "verify/VerifyReport.h"

#include <cstdarg>

#include "platform/BoundedFormat.h"

namespace {

const size_t c_cchEventText = 2048;

} // namespace

void CVerifyReport::Send(DIFXAPI_LOG eventType, DWORD dwCode, LPCWSTR pszFormat, va_list args)
{
    if (!m_pfnEvent)
        return;
    WCHAR szText[c_cchEventText];
    FormatBoundedV(szText, c_cchEventText, pszFormat, args);
    m_pfnEvent(eventType, dwCode, szText, m_pvContext);
}

void CVerifyReport::Problem(DWORD dwCode, LPCWSTR pszFormat, ...)
{
    if (dwCode == ERROR_SUCCESS)
        dwCode = ERROR_GEN_FAILURE;
    if (m_cProblems++ == 0)
        m_dwFirstProblem = dwCode;
    va_list args;
    va_start(args, pszFormat);
    Send(DIFXAPI_ERROR, dwCode, pszFormat, args);
    va_end(args);
}

void CVerifyReport::Info(LPCWSTR pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    Send(DIFXAPI_INFO, 0, pszFormat, args);
    va_end(args);
}

void CVerifyReport::Warning(LPCWSTR pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    Send(DIFXAPI_WARNING, 0, pszFormat, args);
    va_end(args);
}
