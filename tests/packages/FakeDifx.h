#pragma once

// Link-time fakes of the four DIFXAPI.dll functions and of the repair. Every
// call lands in the timeline. A package call returns the number that follows
// '#' in its path ("b#2.inf" gives 2, "c#0xE0000302.inf" that code), else 0.
#include "platform/difx/DifxApi.h"

// Puts the timeline, the log registration and the switches back to the start.
void ResetFakes();

// While set, each package call reports two log events to the registered
// callback: DIFXAPI_INFO, 0, the path; then DIFXAPI_SUCCESS, 0, "done" or
// DIFXAPI_ERROR, the result, "failed".
extern bool g_bFakeDifxReportsLog;

DIFXAPILOGCALLBACK_W FakeLogCallback();
PVOID FakeLogContext();
int FakeRepairCalls();
