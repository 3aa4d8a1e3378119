#pragma once

#include "platform/difx/DifxApi.h"

// The native provider reports what it does through the same kind of log
// callback as DIFx, registered the same way.
void SetNativeLogCallback(DIFXAPILOGCALLBACK_W pfnLogCallback, PVOID pvContext);

// Reports one event to the registered callback, if any. pszFormat takes
// wide-string arguments (%ls) and numbers; the text is cut at 2,047 units.
void NativeLogEvent(DIFXAPI_LOG eventType, DWORD dwError, LPCWSTR pszFormat, ...);
