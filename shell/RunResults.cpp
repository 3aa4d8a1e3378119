#include "RunResults.h"

CRunLog g_runLog;
RUN_SUMMARY g_runSummary = {};
