#pragma once

#include "packages/RunLog.h"
#include "packages/RunSummary.h"

// The log of /o, open only when it was asked for and could be opened.
extern CRunLog g_runLog;
// What the operation came to, left by whichever thread ran it for wWinMain,
// which reads it once that thread is done.
extern RUN_SUMMARY g_runSummary;
