#pragma once

#include <windows.h>

#include "platform/difx/DifxApi.h"

// What the checks of one package found, reported as it is found: each
// problem as an error event and each piece of information as an info event,
// through the same kind of callback as DIFx's log events, so that the log
// and the dialog take them like any other event. Keeps the first problem's
// code, which is the package's result.
class CVerifyReport
{
public:
    CVerifyReport(DIFXAPILOGCALLBACK_W pfnEvent, PVOID pvContext) : m_pfnEvent(pfnEvent), m_pvContext(pvContext) {}
    CVerifyReport(const CVerifyReport&) = delete;
    CVerifyReport& operator=(const CVerifyReport&) = delete;

    // pszFormat takes wide-string arguments (%ls) and numbers; the text is
    // cut at 2,047 units. dwCode is never 0 for a problem.
    void Problem(DWORD dwCode, LPCWSTR pszFormat, ...);
    void Info(LPCWSTR pszFormat, ...);
    // Something that may go wrong after the install, which does not change
    // the package's result.
    void Warning(LPCWSTR pszFormat, ...);

    // 0 while no problem was reported, else the first problem's code.
    DWORD Result() const { return m_dwFirstProblem; }
    DWORD ProblemCount() const { return m_cProblems; }

private:
    void Send(DIFXAPI_LOG eventType, DWORD dwCode, LPCWSTR pszFormat, va_list args);

    DIFXAPILOGCALLBACK_W m_pfnEvent;
    PVOID m_pvContext;
    DWORD m_dwFirstProblem = 0;
    DWORD m_cProblems = 0;
};
