#include "ShutdownReason.h"

#include "AppInstance.h"
#include "res/resource.h"

namespace {

const int c_cchShutdownReason = 256;

} // namespace

void RegisterShutdownReason(HWND hWnd)
{
    WCHAR szReason[c_cchShutdownReason] = {};
    if (LoadStringW(g_hInstance, IDS_SHUTDOWN_REASON, szReason, c_cchShutdownReason) > 0)
        ShutdownBlockReasonCreate(hWnd, szReason);
}
