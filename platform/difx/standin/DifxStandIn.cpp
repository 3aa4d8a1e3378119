// Stand-in DIFXAPI.dll for running tavelin and its tests under Wine, whose own
// difxapi.dll only reports success. It installs nothing. Its rules, which the
// tests rely on:
//
// - Every package call (DriverPackageInstallW, DriverPackageUninstallW,
//   DriverPackagePreinstallW) returns 0, unless the INF path contains "fail"
//   (ASCII letters in any case) somewhere: then it returns ERROR_FILE_NOT_FOUND
//   (2). When the first "fail" is followed by "-0x" and exactly eight hex
//   digits, that value is returned instead (0 included).
// - When DIFXSTUB_THREADS names a file, each package call first appends the
//   calling thread's id to it, in decimal, as a line of its own.
// - When DIFXSTUB_CALL_COUNT names a file, the number of package calls made
//   is appended to it, in decimal, as a line of its own, once: when the DLL
//   is unloaded (a process that ends normally unloads it).
// - When DIFXSTUB_DELAY_MS holds a decimal number (digits only, at most nine),
//   each package call then sleeps that many milliseconds.
// - When DIFXSTUB_UNREGISTER_DELAY_MS holds such a number, a call of
//   DIFXAPISetLogCallbackW with a null callback sleeps that long after its
//   journal line: the teardown's call at the end of a run, so a dialog's last
//   state stays up.
// - When DIFXSTUB_CALL_HOLD names a file, each package call waits while that
//   file exists (at most a minute), after its threads line and its delay;
//   DIFXSTUB_UNREGISTER_HOLD does the same for the teardown's call, after the
//   delay above. A test holds the run where it wants it, and lets it go.
// - When DIFXSTUB_JOURNAL names a file, each call of the four functions appends
//   one UTF-8 line ending in a line feed to it, opening and closing the file for
//   that line:
//     DriverPackageInstallW flags=0x<hex> info=null|set reboot=null|set path=<path>
//     DriverPackageUninstallW flags=0x<hex> info=null|set reboot=null|set path=<path>
//     DriverPackagePreinstallW flags=0x<hex> path=<path>
//     DIFXAPISetLogCallbackW callback=null|set context=null|set
//   <hex> is upper case without leading zeros; a null path is written empty.
// - While a log callback is registered, each package call reports two events to
//   it with the registered context: DIFXAPI_INFO, code 0, "<function>: <path>";
//   then DIFXAPI_SUCCESS, code 0, "done" on success, or DIFXAPI_ERROR, the
//   result, "failed" otherwise.
// - When DIFXSTUB_EVENT_THREADS holds such a number n, each package call with a
//   log callback registered first has n threads of its own (at most 64) report
//   events to it at the same time, and waits for them: 25 DIFXAPI_INFO events
//   per thread, code k for thread k, text "burst <k>.<j> ", 2000 '=', " end"
//   (EventBurst.h).
// - DriverPackageInstallW and DriverPackageUninstallW set the need-reboot flag
//   to TRUE when the INF path contains "reboot" (ASCII letters in any case),
//   whatever the result; otherwise they never write it. The installer
//   information is never touched.
#include <cstdio>
#include <cstdlib>
#include <cwchar>

#include "CallCount.h"
#include "EventBurst.h"
#include "StandInKnobs.h"
#include "platform/difx/DifxApi.h"

namespace {

DIFXAPILOGCALLBACK_W g_pfnLogCallback = nullptr;
PVOID g_pvLogContext = nullptr;

const size_t c_cchHexCode = 8;

WCHAR FoldAscii(WCHAR ch)
{
    return (ch >= L'A' && ch <= L'Z') ? static_cast<WCHAR>(ch - L'A' + L'a') : ch;
}

// Compares the start of psz with the lower-case ASCII pszWord, ASCII letters
// folded. Stops at psz's terminator.
bool StartsWithFolded(LPCWSTR psz, LPCWSTR pszWord)
{
    for (; *pszWord; ++psz, ++pszWord) {
        if (FoldAscii(*psz) != *pszWord)
            return false;
    }
    return true;
}

int HexDigit(WCHAR ch)
{
    if (ch >= L'0' && ch <= L'9')
        return ch - L'0';
    ch = FoldAscii(ch);
    if (ch >= L'a' && ch <= L'f')
        return ch - L'a' + 10;
    return -1;
}

bool Contains(LPCWSTR pszPath, LPCWSTR pszWord)
{
    for (LPCWSTR p = pszPath; *p; ++p) {
        if (StartsWithFolded(p, pszWord))
            return true;
    }
    return false;
}

DWORD ResultFor(LPCWSTR pszPath)
{
    for (LPCWSTR p = pszPath; *p; ++p) {
        if (!StartsWithFolded(p, L"fail"))
            continue;
        LPCWSTR pszCode = p + 4;
        if (!StartsWithFolded(pszCode, L"-0x"))
            return ERROR_FILE_NOT_FOUND;
        pszCode += 3;
        DWORD dwCode = 0;
        for (size_t i = 0; i < c_cchHexCode; ++i) {
            int nDigit = HexDigit(pszCode[i]);
            if (nDigit < 0)
                return ERROR_FILE_NOT_FOUND;
            dwCode = (dwCode << 4) | static_cast<DWORD>(nDigit);
        }
        return HexDigit(pszCode[c_cchHexCode]) < 0 ? dwCode : ERROR_FILE_NOT_FOUND;
    }
    return ERROR_SUCCESS;
}

// Each package call starts with its thread and the asked-for delay.
void BeginPackageCall()
{
    CountPackageCall();
    char szThread[16];
    snprintf(szThread, sizeof(szThread), "%lu", GetCurrentThreadId());
    AppendLineToFileIn(L"DIFXSTUB_THREADS", szThread, nullptr);
    SleepAsAsked(L"DIFXSTUB_DELAY_MS");
    HoldWhileFileIn(L"DIFXSTUB_CALL_HOLD");
}

// "<function>: <path>", or the function name alone when memory is short.
void ReportStart(DIFXAPILOGCALLBACK_W pfn, PVOID pvContext, LPCWSTR pszFunction, LPCWSTR pszPath)
{
    const size_t cchFunction = wcslen(pszFunction);
    const size_t cchPath = wcslen(pszPath);
    const size_t cchText = cchFunction + 2 + cchPath;
    LPWSTR pszText = static_cast<LPWSTR>(malloc((cchText + 1) * sizeof(WCHAR)));
    if (!pszText) {
        pfn(DIFXAPI_INFO, 0, pszFunction, pvContext);
        return;
    }
    wmemcpy(pszText, pszFunction, cchFunction);
    wmemcpy(pszText + cchFunction, L": ", 2);
    wmemcpy(pszText + cchFunction + 2, pszPath, cchPath);
    pszText[cchText] = L'\0';
    pfn(DIFXAPI_INFO, 0, pszText, pvContext);
    free(pszText);
}

// What every package call does once its journal line is written.
DWORD RunPackageCall(LPCWSTR pszFunction, LPCWSTR pszPath)
{
    DIFXAPILOGCALLBACK_W pfn = g_pfnLogCallback;
    PVOID pvContext = g_pvLogContext;
    if (pfn) {
        ReportEventBurst(pfn, pvContext, NumberIn(L"DIFXSTUB_EVENT_THREADS"));
        ReportStart(pfn, pvContext, pszFunction, pszPath);
    }
    DWORD dwResult = ResultFor(pszPath);
    if (pfn) {
        if (dwResult == ERROR_SUCCESS)
            pfn(DIFXAPI_SUCCESS, 0, L"done", pvContext);
        else
            pfn(DIFXAPI_ERROR, dwResult, L"failed", pvContext);
    }
    return dwResult;
}

const char* NullOrSet(const void* p)
{
    return p ? "set" : "null";
}

DWORD InstallOrUninstall(const char* pszName, LPCWSTR pszFunction, LPCWSTR pszInfPath, DWORD dwFlags,
                         PCINSTALLERINFO_W pInstallerInfo, BOOL* pbNeedReboot)
{
    if (!pszInfPath)
        pszInfPath = L"";
    BeginPackageCall();
    char szPrefix[128];
    snprintf(szPrefix, sizeof(szPrefix), "%s flags=0x%lX info=%s reboot=%s path=", pszName, dwFlags,
             NullOrSet(pInstallerInfo), NullOrSet(pbNeedReboot));
    AppendLineToFileIn(L"DIFXSTUB_JOURNAL", szPrefix, pszInfPath);
    const DWORD dwResult = RunPackageCall(pszFunction, pszInfPath);
    if (pbNeedReboot && Contains(pszInfPath, L"reboot"))
        *pbNeedReboot = TRUE;
    return dwResult;
}

} // namespace

extern "C" {

DWORD WINAPI DriverPackageInstallW(PCWSTR pszInfPath, DWORD dwFlags, PCINSTALLERINFO_W pInstallerInfo,
                                   BOOL* pbNeedReboot)
{
    return InstallOrUninstall("DriverPackageInstallW", L"DriverPackageInstallW", pszInfPath, dwFlags,
                              pInstallerInfo, pbNeedReboot);
}

DWORD WINAPI DriverPackageUninstallW(PCWSTR pszInfPath, DWORD dwFlags, PCINSTALLERINFO_W pInstallerInfo,
                                     BOOL* pbNeedReboot)
{
    return InstallOrUninstall("DriverPackageUninstallW", L"DriverPackageUninstallW", pszInfPath, dwFlags,
                              pInstallerInfo, pbNeedReboot);
}

DWORD WINAPI DriverPackagePreinstallW(PCWSTR pszInfPath, DWORD dwFlags)
{
    if (!pszInfPath)
        pszInfPath = L"";
    BeginPackageCall();
    char szPrefix[128];
    snprintf(szPrefix, sizeof(szPrefix), "DriverPackagePreinstallW flags=0x%lX path=", dwFlags);
    AppendLineToFileIn(L"DIFXSTUB_JOURNAL", szPrefix, pszInfPath);
    return RunPackageCall(L"DriverPackagePreinstallW", pszInfPath);
}

VOID WINAPI DIFXAPISetLogCallbackW(DIFXAPILOGCALLBACK_W pfnLogCallback, PVOID pvContext)
{
    char szLine[96];
    snprintf(szLine, sizeof(szLine), "DIFXAPISetLogCallbackW callback=%s context=%s",
             pfnLogCallback ? "set" : "null", NullOrSet(pvContext));
    AppendLineToFileIn(L"DIFXSTUB_JOURNAL", szLine, nullptr);
    // Journaled first: a watcher that sees the line knows the caller is
    // inside this call, with everything before it done.
    if (!pfnLogCallback) {
        SleepAsAsked(L"DIFXSTUB_UNREGISTER_DELAY_MS");
        HoldWhileFileIn(L"DIFXSTUB_UNREGISTER_HOLD");
    }
    g_pfnLogCallback = pfnLogCallback;
    g_pvLogContext = pvContext;
}

} // extern "C"
