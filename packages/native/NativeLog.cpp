#include "packages/native/NativeLog.h"

#include <cstdarg>
#include <cwchar>

namespace {

DIFXAPILOGCALLBACK_W g_pfnNativeLog = nullptr;
PVOID g_pvNativeLogContext = nullptr;

const size_t c_cchEventText = 2048;

} // namespace

void SetNativeLogCallback(DIFXAPILOGCALLBACK_W pfnLogCallback, PVOID pvContext)
{
    g_pfnNativeLog = pfnLogCallback;
    g_pvNativeLogContext = pvContext;
}

void NativeLogEvent(DIFXAPI_LOG eventType, DWORD dwError, LPCWSTR pszFormat, ...)
{
    if (!g_pfnNativeLog)
        return;
    WCHAR szText[c_cchEventText];
    va_list args;
    va_start(args, pszFormat);
    // The runtime leaves a cut text unterminated: the last unit is ours.
    _vsnwprintf(szText, c_cchEventText - 1, pszFormat, args);
    va_end(args);
    szText[c_cchEventText - 1] = L'\0';
    g_pfnNativeLog(eventType, dwError, szText, g_pvNativeLogContext);
}
