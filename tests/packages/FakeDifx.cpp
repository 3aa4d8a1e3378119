#include "FakeDifx.h"

#include <cwchar>

#include "Timeline.h"
#include "devfix/MtpConflict.h"
#include "packages/DriverPackageBatch.h"

bool g_bFakeDifxReportsLog = false;

namespace {
DIFXAPILOGCALLBACK_W g_pfnLog = nullptr;
PVOID g_pvLogContext = nullptr;
int g_nRepairCalls = 0;

DWORD ResultFor(PCWSTR pszPath)
{
    const wchar_t* pszMark = pszPath ? wcschr(pszPath, L'#') : nullptr;
    return pszMark ? static_cast<DWORD>(wcstoul(pszMark + 1, nullptr, 0)) : 0;
}

DWORD PackageCall(EEvent kind, PCWSTR pszInfPath, DWORD dwFlags, const void* pInfo, BOOL* pbNeedReboot)
{
    if (TIMELINE_EVENT* pEvent = AddEvent(kind)) {
        pEvent->dw = dwFlags;
        pEvent->pv1 = pInfo;
        pEvent->pv2 = pbNeedReboot;
        pEvent->bRebootAtCall = pbNeedReboot ? *pbNeedReboot : -1;
        SetEventText(pEvent, pszInfPath);
    }
    DWORD dwResult = ResultFor(pszInfPath);
    if (g_bFakeDifxReportsLog && g_pfnLog) {
        g_pfnLog(DIFXAPI_INFO, 0, pszInfPath, g_pvLogContext);
        if (dwResult == 0)
            g_pfnLog(DIFXAPI_SUCCESS, 0, L"done", g_pvLogContext);
        else
            g_pfnLog(DIFXAPI_ERROR, dwResult, L"failed", g_pvLogContext);
    }
    // Whatever the code under test does with the flag afterwards, DIFx may
    // have set it.
    if (pbNeedReboot)
        *pbNeedReboot = TRUE;
    return dwResult;
}
} // namespace

void ResetFakes()
{
    ResetTimeline();
    g_pfnLog = nullptr;
    g_pvLogContext = nullptr;
    g_nRepairCalls = 0;
    g_bFakeDifxReportsLog = false;
}

DIFXAPILOGCALLBACK_W FakeLogCallback()
{
    return g_pfnLog;
}

PVOID FakeLogContext()
{
    return g_pvLogContext;
}

int FakeRepairCalls()
{
    return g_nRepairCalls;
}

extern "C" {

DWORD WINAPI DriverPackagePreinstallW(PCWSTR pszInfPath, DWORD dwFlags)
{
    return PackageCall(EEvent::Preinstall, pszInfPath, dwFlags, nullptr, nullptr);
}

DWORD WINAPI DriverPackageInstallW(PCWSTR pszInfPath, DWORD dwFlags, PCINSTALLERINFO_W pInstallerInfo,
                                   BOOL* pbNeedReboot)
{
    return PackageCall(EEvent::Install, pszInfPath, dwFlags, pInstallerInfo, pbNeedReboot);
}

DWORD WINAPI DriverPackageUninstallW(PCWSTR pszInfPath, DWORD dwFlags, PCINSTALLERINFO_W pInstallerInfo,
                                     BOOL* pbNeedReboot)
{
    return PackageCall(EEvent::Uninstall, pszInfPath, dwFlags, pInstallerInfo, pbNeedReboot);
}

VOID WINAPI DIFXAPISetLogCallbackW(DIFXAPILOGCALLBACK_W pfnLogCallback, PVOID pvContext)
{
    if (TIMELINE_EVENT* pEvent = AddEvent(EEvent::SetLogCallback)) {
        pEvent->pv1 = reinterpret_cast<const void*>(pfnLogCallback);
        pEvent->pv2 = pvContext;
        // When a batch unregisters, its list path is noted: it must still be
        // there, because the teardown clears the callback before releasing it.
        const CDriverPackageBatch* pOld = static_cast<const CDriverPackageBatch*>(g_pvLogContext);
        SetEventText(pEvent, !pfnLogCallback && pOld ? pOld->m_strListFile.c_str() : nullptr);
    }
    g_pfnLog = pfnLogCallback;
    g_pvLogContext = pvContext;
}

} // extern "C"

DWORD FixMtpDriverConflict(CRepairReport*)
{
    ++g_nRepairCalls;
    AddEvent(EEvent::FixConflict);
    return 0;
}
