#include "packages/RunLog.h"

#include <cstdarg>
#include <cwchar>

#include "cmdline/CommandLineInfo.h"
#include "inf/MachineArchitecture.h"
#include "platform/ErrorText.h"
#include "platform/FullPathName.h"
#include "platform/ModuleVersion.h"
#include "platform/UniqueHandle.h"

namespace {

// "0x" and eight hex digits.
const size_t c_cchCode = 11;
const size_t c_cchNumber = 64;

// Formats into pszBuffer (cchBuffer units); the last unit always stays the
// terminator, since _vsnwprintf does not write one when the text fills it.
void Print(LPWSTR pszBuffer, size_t cchBuffer, LPCWSTR pszFormat, ...)
{
    if (cchBuffer == 0)
        return;
    va_list args;
    va_start(args, pszFormat);
    const int cch = _vsnwprintf(pszBuffer, cchBuffer - 1, pszFormat, args);
    va_end(args);
    pszBuffer[cch >= 0 ? static_cast<size_t>(cch) : cchBuffer - 1] = L'\0';
}

// "0x" and eight upper-case hex digits; by hand, as this runs for every line
// of a long list.
void FormatCode(DWORD dwCode, WCHAR (&szCode)[c_cchCode])
{
    static const WCHAR c_szDigits[] = L"0123456789ABCDEF";
    szCode[0] = L'0';
    szCode[1] = L'x';
    for (size_t i = 0; i < 8; ++i)
        szCode[2 + i] = c_szDigits[(dwCode >> (28 - 4 * i)) & 0xF];
    szCode[c_cchCode - 1] = L'\0';
}

// The full path a given path resolves to, when that differs from it.
class CFullPath
{
public:
    explicit CFullPath(LPCWSTR pszPath) : m_full(pszPath), m_pszPath(pszPath) {}

    // Null when the path is already full or cannot be resolved.
    LPCWSTR Get() const { return m_full.Get() && wcscmp(m_full.Get(), m_pszPath) != 0 ? m_full.Get() : nullptr; }

private:
    CFullPathName m_full;
    LPCWSTR m_pszPath;
};

// The texts one line is made of, in order. A text past the last slot is
// dropped rather than written out of bounds.
class CLineTexts
{
public:
    CLineTexts& operator<<(LPCWSTR psz)
    {
        if (m_cTexts < ARRAYSIZE(m_rgpsz))
            m_rgpsz[m_cTexts++] = psz;
        return *this;
    }
    void WriteTo(CLogFile& file) const { file.WriteLine(m_rgpsz, m_cTexts); }

private:
    LPCWSTR m_rgpsz[16] = {};
    size_t m_cTexts = 0;
};

// A path as given, in quotes, and the full path it resolves to where that
// differs.
void AddPath(CLineTexts& line, LPCWSTR pszPath, const CFullPath& full)
{
    line << L"\"" << pszPath << L"\"";
    if (full.Get())
        line << L" -> \"" << full.Get() << L"\"";
}

// The code and, where the system has one, its message in parentheses.
void AddCode(CLineTexts& line, LPCWSTR pszCode, LPCWSTR pszMessage)
{
    line << pszCode;
    if (pszMessage[0] != L'\0')
        line << L" (" << pszMessage << L")";
}

LPCWSTR OperationName(INT nOperation)
{
    switch (nOperation) {
    case opInstall: return L"install";
    case opUninstall: return L"uninstall";
    case opPreinstall: return L"preinstall";
    case opVerify: return L"verify";
    case opClean: return L"clean";
    default: return L"operation";
    }
}

// DIFx's name for the kind of event; the number for a kind it does not know.
LPCWSTR EventTypeName(INT nEventType, WCHAR (&szType)[c_cchNumber])
{
    switch (nEventType) {
    case DIFXAPI_SUCCESS: return L"success";
    case DIFXAPI_INFO: return L"info";
    case DIFXAPI_WARNING: return L"warning";
    case DIFXAPI_ERROR: return L"error";
    default: Print(szType, c_cchNumber, L"type %d", nEventType); return szType;
    }
}

LPCWSTR YesNo(bool b)
{
    return b ? L"yes" : L"no";
}

} // namespace

LPCWSTR CRunLog::ErrorText(DWORD dwCode)
{
    if (!m_bTextValid || m_dwTextCode != dwCode) {
        FormatErrorText(dwCode, m_szText, ARRAYSIZE(m_szText));
        m_dwTextCode = dwCode;
        m_bTextValid = true;
    }
    return m_szText;
}

void CRunLog::Start(const DRIVER_INSTALL_API* pApi, bool bVerifyOnly, bool bClean)
{
    if (!IsOpen())
        return;
    WCHAR szVersion[c_cchNumber] = {};
    if (!FormatModuleVersion(GetModuleHandleW(nullptr), szVersion, ARRAYSIZE(szVersion)))
        Print(szVersion, ARRAYSIZE(szVersion), L"(version unknown)");
    CLineTexts line;
    line << L"start tavelin " << szVersion << L", command line: " << GetCommandLineW() << L", driver install: ";
    if (bClean) {
        // DIFx has no such operation, even where DIFXAPI.dll lies beside the exe.
        line << L"Windows device installation API (DIFx plays no part in /c)";
    } else if (pApi && pApi->nPath == installPathDifx) {
        line << L"DIFx";
        if (pApi->pszModulePath && pApi->pszModulePath[0] != L'\0')
            line << L" \"" << pApi->pszModulePath << L"\"";
    } else if (pApi && pApi->nPath == installPathNative) {
        line << L"Windows device installation API";
    } else {
        line << (bVerifyOnly ? L"none (verify only)" : L"none");
    }
    if (pApi && pApi->pszWhy)
        line << L" (" << pApi->pszWhy << L")";
    else if (bVerifyOnly && RunsEmulated())
        line << L" (this x64 build runs emulated on an ARM64 machine; the packages are checked for ARM64)";
    else if (bClean && RunsEmulated())
        line << L" (this x64 build runs emulated on an ARM64 machine and changes nothing there; run the ARM64 build)";
    line.WriteTo(m_file);
}

void CRunLog::UsageShown(bool bError)
{
    CLineTexts line;
    line << L"usage help shown" << (bError ? L": the command line has an error" : L"");
    line.WriteTo(m_file);
}

void CRunLog::ListRead(LPCWSTR pszListFile, EListOutcome outcome, DWORD dwError, INT nCount)
{
    if (!IsOpen())
        return;
    CFullPath full(pszListFile);
    CLineTexts line;
    line << L"list ";
    AddPath(line, pszListFile, full);
    WCHAR szCount[c_cchNumber] = {};
    WCHAR szCode[c_cchCode] = {};
    if (outcome == listLoaded) {
        Print(szCount, ARRAYSIZE(szCount), L": %d entries", nCount);
        line << (nCount > 0 ? szCount : L": holds no entries");
    } else {
        FormatCode(dwError, szCode);
        line << (outcome == listNotOpened     ? L": cannot be opened: "
                 : outcome == listWrongHeader ? L": the first line is not ;inflist: "
                                              : L": out of memory while reading it: ");
        AddCode(line, szCode, ErrorText(dwError));
        line << L"; no package of it is run";
    }
    line.WriteTo(m_file);
}

void CRunLog::PackageCall(INT nOperation, LPCWSTR pszInfPath, DWORD dwResult, BOOL bRebootBefore, BOOL bNeedReboot)
{
    if (!IsOpen())
        return;
    CFullPath full(pszInfPath);
    WCHAR szCode[c_cchCode];
    FormatCode(dwResult, szCode);
    CLineTexts line;
    line << OperationName(nOperation) << L" ";
    AddPath(line, pszInfPath, full);
    line << L": result ";
    AddCode(line, szCode, ErrorText(dwResult));
    if (IsStagedInstall(nOperation, dwResult))
        line << (dwResult == ERROR_NO_MORE_ITEMS ? L", staged; the devices keep a better driver"
                                                 : L", staged; no matching device is present");
    // A flag that an earlier call of the run set cannot tell about this one.
    // Neither /v nor /c asks for a restart.
    if (nOperation != opVerify && nOperation != opClean)
        line << L", restart needed: "
             << (!bNeedReboot ? L"no" : bRebootBefore ? L"already asked for earlier in the run" : L"yes");
    line.WriteTo(m_file);
}

void CRunLog::Event(INT nEventType, DWORD dwError, LPCWSTR pszEventText)
{
    if (!IsOpen())
        return;
    // Any thread: nothing is shared but the file.
    WCHAR szType[c_cchNumber];
    WCHAR szCode[c_cchCode];
    FormatCode(dwError, szCode);
    CLineTexts line;
    line << L"event " << EventTypeName(nEventType, szType) << L" " << szCode << L": " << pszEventText;
    line.WriteTo(m_file);
}

void CRunLog::OtherRunWait()
{
    CLineTexts line;
    line << L"waiting for another tavelin run to finish its package call";
    line.WriteTo(m_file);
}

void CRunLog::CallLockTakenOver()
{
    CLineTexts line;
    line << L"another tavelin run ended without letting go of the lock; taken over";
    line.WriteTo(m_file);
}

void CRunLog::CallLockUnavailable(DWORD dwError)
{
    WriteCodeLine(L"the lock that keeps package calls of tavelin runs apart cannot be had: ", dwError,
                  L"; calls go on without it");
}

void CRunLog::CallLockForeign(LPCWSTR pszName)
{
    CLineTexts line;
    line << L"the lock's name \"Global\\" << pszName
         << L"\" is held by someone else: it is no mutex of administrators or SYSTEM; calls go on without the lock";
    line.WriteTo(m_file);
}

void CRunLog::CallLockWaitTooLong(DWORD dwMs)
{
    WCHAR szLine[160] = {};
    if (dwMs % 60000 == 0)
        Print(szLine, ARRAYSIZE(szLine), L"the lock was not had within %lu minutes: another run holds it still; calls go "
                                         L"on without it",
              static_cast<unsigned long>(dwMs / 60000));
    else
        Print(szLine, ARRAYSIZE(szLine), L"the lock was not had within %lu ms: another run holds it still; calls go on "
                                         L"without it",
              static_cast<unsigned long>(dwMs));
    CLineTexts line;
    line << szLine;
    line.WriteTo(m_file);
}

void CRunLog::CurrentFolderUntrusted(LPCWSTR pszFolder, bool bUnknown, DWORD dwError)
{
    if (!IsOpen())
        return;
    CLineTexts line;
    line << L"warning: relative paths resolve in \"" << pszFolder << L"\"";
    if (!bUnknown) {
        line << L", which others than administrators and SYSTEM can write: they can choose what this elevated run "
                L"uses";
        line.WriteTo(m_file);
        return;
    }
    WCHAR szCode[c_cchCode];
    FormatCode(dwError, szCode);
    line << L", whose descriptor cannot be read: ";
    AddCode(line, szCode, ErrorText(dwError));
    line.WriteTo(m_file);
}

void CRunLog::DeviceRemoval(LPCWSTR pszInstanceId, DWORD dwError)
{
    if (!IsOpen())
        return;
    CLineTexts line;
    if (dwError == ERROR_SUCCESS) {
        line << L"repair removed device \"" << pszInstanceId << L"\"";
        line.WriteTo(m_file);
        return;
    }
    WCHAR szCode[c_cchCode];
    FormatCode(dwError, szCode);
    line << L"repair failed to remove device \"" << pszInstanceId << L"\": ";
    AddCode(line, szCode, ErrorText(dwError));
    line.WriteTo(m_file);
}

void CRunLog::DeviceListUnreadable(DWORD dwError)
{
    WriteCodeLine(L"repair cannot read the list of USB devices: ", dwError, L"");
}

void CRunLog::WriteCodeLine(LPCWSTR pszBefore, DWORD dwError, LPCWSTR pszAfter)
{
    if (!IsOpen())
        return;
    WCHAR szCode[c_cchCode];
    FormatCode(dwError, szCode);
    CLineTexts line;
    line << pszBefore;
    AddCode(line, szCode, ErrorText(dwError));
    line << pszAfter;
    line.WriteTo(m_file);
}

void CRunLog::End(const RUN_SUMMARY& summary, DWORD dwExitCode)
{
    if (!IsOpen())
        return;
    WCHAR szEnd[256] = {};
    if (summary.bClean) {
        Print(szEnd, ARRAYSIZE(szEnd),
              L"end packages cleaned %lu, succeeded %lu, failed %lu; versions removed %lu, kept %lu; restart needed: "
              L"%ls; exit code with /e: %lu (0x%08lX)",
              summary.cTried, summary.cSucceeded, summary.cFailed, summary.cVersionsRemoved, summary.cVersionsKept,
              YesNo(summary.bNeedReboot), dwExitCode, dwExitCode);
        CLineTexts line;
        line << szEnd;
        line.WriteTo(m_file);
        return;
    }
    // /v checked its packages; it tried to install none.
    Print(szEnd, ARRAYSIZE(szEnd),
          L"end packages %ls %lu, %ls %lu, failed %lu; restart needed: %ls; exit code with /e: %lu (0x%08lX)",
          summary.bVerifyOnly ? L"verified" : L"tried", summary.cTried, summary.bVerifyOnly ? L"passed" : L"succeeded",
          summary.cSucceeded, summary.cFailed, YesNo(summary.bNeedReboot), dwExitCode, dwExitCode);
    CLineTexts line;
    line << szEnd;
    line.WriteTo(m_file);
}
