#pragma once

#include <windows.h>

// Names the reason a run refuses shutdown and logoff (IDS_SHUTDOWN_REASON) to
// a user who asks for either while the run is busy. Windows takes it only
// from the thread that made hWnd; the refusal holds without it too.
void RegisterShutdownReason(HWND hWnd);
