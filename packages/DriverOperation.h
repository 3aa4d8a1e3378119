#pragma once

#include <windows.h>

class CDiffxApiCallback;
class CRunLog;
class CTavelinCommandLineInfo;
struct RUN_SUMMARY;

// Carries out what the settings ask for on the calling thread: the conflict
// repair, one INF file or an INF list. Returns 0 for the repair, otherwise the
// run's result; callers drop it. When given, pSummary receives what the
// operation came to, and an open pLog its start line and every event.
INT RunDriverOperation(CDiffxApiCallback* pCallback, const CTavelinCommandLineInfo& info, CRunLog* pLog = nullptr,
                       RUN_SUMMARY* pSummary = nullptr);
