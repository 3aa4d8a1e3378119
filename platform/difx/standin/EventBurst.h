#pragma once

#include "platform/difx/DifxApi.h"

// Events per burst thread, and the filler that makes each event text long.
const DWORD c_cBurstEvents = 25;
const size_t c_cchBurstFiller = 2000;

// Starts cThreads threads (at most 64) that each report c_cBurstEvents
// DIFXAPI_INFO events to pfn at once, and returns when all are done. Event j
// of thread k has code k and the text "burst <k>.<j> ", c_cchBurstFiller
// times '=', then " end".
void ReportEventBurst(DIFXAPILOGCALLBACK_W pfn, PVOID pvContext, DWORD cThreads);
