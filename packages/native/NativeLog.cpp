#include "packages/native/NativeLog.h"

#include <cstdarg>

#include "platform/BoundedFormat.h"

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
    FormatBoundedV(szText, c_cchEventText, pszFormat, args);
    va_end(args);
    g_pfnNativeLog(eventType, dwError, szText, g_pvNativeLogContext);
}
