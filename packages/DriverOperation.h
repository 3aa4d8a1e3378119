#pragma once

#include <windows.h>

class CDiffxApiCallback;
class CTavelinCommandLineInfo;

// Carries out what the settings ask for on the calling thread: the conflict
// repair, one INF file or an INF list. Returns 0 for the repair, otherwise the
// run's result; callers drop it.
INT RunDriverOperation(CDiffxApiCallback* pCallback, const CTavelinCommandLineInfo& info);
