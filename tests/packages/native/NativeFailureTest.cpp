// Every way a system call of the native provider can fail or ask for a
// restart, through the whole package run of this process as the program
// runs it (the batch, its log, the exit code that /e gives), with the calls
// Wine lacks or never fails replaced in the provider's call table, and
// device removals failing through a real class installer. This program lies
// in a folder without DIFXAPI.dll, so the native provider is the one chosen.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <windows.h>
#include <newdev.h>

#include "UsbDeviceRegistry.h"
#include "TestDeviceClass.h"
#include "cmdline/CommandLineInfo.h"
#include "devfix/MtpConflict.h"
#include "packages/DriverInstallApi.h"
#include "packages/DriverPackageBatch.h"
#include "packages/native/NativeSetupApi.h"
#include "support/DriverPackages.h"
#include "support/TestFiles.h"

namespace {

using Lines = std::vector<std::string>;

const wchar_t c_szTestClass[] = L"{7A7A2100-0021-4E21-9A21-0000000000A1}";

// One package run of this process: its exit code for /e and its log lines
// without their time stamps.
struct RUN_OUTCOME
{
    DWORD dwExit;
    bool bNeedReboot;
    Lines lines;
};

RUN_OUTCOME RunPackage(const CScratchDir& folder, INT nOperation, const std::wstring& strInf)
{
    const std::wstring strLog = folder.File(L"run.log");
    DeleteFileW(strLog.c_str());
    RUN_OUTCOME outcome = {};
    {
        CRunLog log;
        EXPECT_TRUE(log.Open(strLog.c_str()));
        CDriverPackageBatch batch(nullptr);
        batch.m_pLog = &log;
        EXPECT_EQ(DriverInstallApi().nPath, installPathNative) << "a DIFXAPI.dll lies beside the test program";
        log.Start(&DriverInstallApi());
        batch.RunSingle(nOperation, true, strInf.c_str());
        outcome.dwExit = SummaryExitCode(batch.m_summary);
        outcome.bNeedReboot = batch.m_summary.bNeedReboot;
        log.End(batch.m_summary, outcome.dwExit);
    }
    const std::string strBytes = ReadFileBytes(strLog);
    for (size_t nAt = 0, nEnd; (nEnd = strBytes.find("\r\n", nAt)) != std::string::npos; nAt = nEnd + 2)
        outcome.lines.push_back(nEnd - nAt > 30 ? strBytes.substr(nAt + 30, nEnd - nAt - 30) : "<short line>");
    return outcome;
}

bool HasLine(const Lines& lines, const std::string& strLine)
{
    for (const std::string& str : lines) {
        if (str == strLine)
            return true;
    }
    return false;
}

// A line that begins and ends as given; what lies between (the path of the
// package or of its staged copy, whichever the call was given) is not
// compared.
bool HasLineLike(const Lines& lines, const std::string& strStart, const std::string& strEnd)
{
    for (const std::string& str : lines) {
        if (str.size() >= strStart.size() + strEnd.size() && str.compare(0, strStart.size(), strStart) == 0 &&
            str.compare(str.size() - strEnd.size(), strEnd.size(), strEnd) == 0)
            return true;
    }
    return false;
}

// The line of the package call itself: its operation, path, code and the
// restart part; the system's message text in between is not compared.
bool HasCallLine(const Lines& lines, const std::string& strStart, DWORD dwCode, const std::string& strEnd)
{
    char szCode[16];
    snprintf(szCode, sizeof(szCode), "0x%08lX", static_cast<unsigned long>(dwCode));
    const std::string strHead = strStart + ": result " + szCode;
    for (const std::string& str : lines) {
        if (str.compare(0, strHead.size(), strHead) == 0 && str.size() >= strEnd.size() &&
            str.compare(str.size() - strEnd.size(), strEnd.size(), strEnd) == 0)
            return true;
    }
    return false;
}

std::string Dump(const Lines& lines)
{
    std::string str;
    for (const std::string& line : lines)
        str += "\n  " + line;
    return str;
}

std::string Hex(DWORD dw)
{
    char sz[16];
    snprintf(sz, sizeof(sz), "0x%08lX", static_cast<unsigned long>(dw));
    return sz;
}

// Restores the provider's call table, whatever a test put into it.
class CSavedCalls
{
public:
    CSavedCalls() : m_saved(NativeSetupApi()) {}
    ~CSavedCalls() { NativeSetupApi() = m_saved; }

private:
    NATIVE_SETUP_API m_saved;
};

class NativeFailure : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ClearTestDevices());
        ASSERT_TRUE(m_class.IsReady()) << "the test class installer is missing";
    }

    CScratchDir m_folder;
    CSavedCalls m_calls;
    CTestDeviceClass m_class{ c_szTestClass };
};

// A present device that the package names, in the test class, with a
// driver key of that class; pszInf: the INF the key names (null: the key is
// not there, and the device has no driver).
struct CClassDevice
{
    CClassDevice(const CTestDeviceClass& cls, const std::wstring& strPid, LPCWSTR pszInf)
        : m_device(L"USB", L"VID_F055&PID_" + strPid), m_strHardwareId(L"USB\\VID_F055&PID_" + strPid)
    {
        m_bReady = m_device.IsDefined() && m_device.SetString(L"ClassGUID", cls.Guid()) &&
                   m_device.SetMultiString(L"HardwareID", { m_strHardwareId }) &&
                   m_device.SetString(L"Driver", cls.Guid() + L"\\0" + strPid);
        if (pszInf)
            m_bReady = m_bReady && cls.DefineDriverKey(L"0" + strPid, pszInf);
    }

    CRegistryDevice m_device;
    std::wstring m_strHardwareId;
    bool m_bReady = false;
};

// UpdateDriverForPlugAndPlayDevicesW as the case says: a failure with a
// code, or a success that binds the device to the staged copy (named as the
// package is, as Wine stages it) and may ask for a restart.
DWORD g_dwUpdateError = 0;
BOOL g_bUpdateReboot = FALSE;
const CTestDeviceClass* g_pUpdateClass = nullptr;
std::wstring g_strUpdatePid;

BOOL WINAPI FakeUpdateDriver(HWND, LPCWSTR, LPCWSTR pszInfPath, DWORD, PBOOL pbReboot)
{
    if (g_dwUpdateError) {
        SetLastError(g_dwUpdateError);
        return FALSE;
    }
    LPCWSTR pszName = wcsrchr(pszInfPath, L'\\');
    g_pUpdateClass->DefineDriverKey(L"0" + g_strUpdatePid, pszName ? pszName + 1 : pszInfPath);
    if (pbReboot)
        *pbReboot = g_bUpdateReboot;
    return TRUE;
}

TEST_F(NativeFailure, EachAnswerOfTheDeviceInstallHasItsExitCodeAndLogLine)
{
    const std::wstring strPid = L"0F01";
    const struct
    {
        DWORD dwError;
        BOOL bReboot;
        DWORD dwExit;
        const char* pszEvent; // the provider's event line after "event <type> <code>: ", or null
        const char* pszAfter; // what the call line says after the message text
    } cases[] = {
        { 0, FALSE, 0, nullptr, ", restart needed: no" },
        { 0, TRUE, ERROR_SUCCESS_REBOOT_REQUIRED, nullptr, ", restart needed: yes" },
        // The documented failures of the call, and one any call can meet.
        { ERROR_FILE_NOT_FOUND, FALSE, ERROR_FILE_NOT_FOUND, "error", ", restart needed: no" },
        { ERROR_INVALID_FLAGS, FALSE, ERROR_INVALID_FLAGS, "error", ", restart needed: no" },
        { 0xE0000235 /* ERROR_IN_WOW64 */, FALSE, 0xE0000235, "error", ", restart needed: no" },
        { ERROR_ACCESS_DENIED, FALSE, ERROR_ACCESS_DENIED, "error", ", restart needed: no" },
        // Not failures: the devices keep a better driver, or went meanwhile.
        { ERROR_NO_MORE_ITEMS, FALSE, 0, "info", ", staged; the devices keep a better driver, restart needed: no" },
        { 0xE000020B, FALSE, 0, nullptr, ", staged; the devices keep a better driver, restart needed: no" },
    };
    ForgetStagedPackage(L"tvfail-ins");
    ASSERT_TRUE(WritePackage(m_folder.Path(), L"tvfail-ins", L"USB\\VID_F055&PID_" + strPid));
    const std::wstring strInf = m_folder.File(L"tvfail-ins.inf");
    const std::string strFull = Narrow(strInf);
    NativeSetupApi().pfnUpdateDriverForPlugAndPlayDevicesW = FakeUpdateDriver;
    g_pUpdateClass = &m_class;
    g_strUpdatePid = strPid;
    for (const auto& c : cases) {
        SCOPED_TRACE(Hex(c.dwError) + (c.bReboot ? " with restart" : ""));
        CClassDevice device(m_class, strPid, nullptr);
        ASSERT_TRUE(device.m_bReady);
        g_dwUpdateError = c.dwError;
        g_bUpdateReboot = c.bReboot;
        const RUN_OUTCOME outcome = RunPackage(m_folder, opInstall, strInf);
        EXPECT_EQ(outcome.dwExit, c.dwExit) << Dump(outcome.lines);
        EXPECT_TRUE(HasCallLine(outcome.lines, "install \"" + strFull + "\"", c.dwError == 0xE000020B ? ERROR_NO_MORE_ITEMS
                                                                                                     : c.dwError,
                                c.pszAfter))
            << Dump(outcome.lines);
        const std::string strId = "USB\\VID_F055&PID_" + Narrow(strPid);
        if (c.pszEvent && std::string(c.pszEvent) == "error") {
            EXPECT_TRUE(HasLineLike(outcome.lines, "event error " + Hex(c.dwError) + ": Cannot install \"",
                                    ".inf\" on the devices with ID \"" + strId + "\""))
                << Dump(outcome.lines);
        } else if (c.pszEvent) {
            EXPECT_TRUE(HasLineLike(outcome.lines,
                                    "event info " + Hex(c.dwError) + ": The devices with ID \"" + strId +
                                        "\" have a better driver than \"",
                                    "tvfail-ins.inf\""))
                << Dump(outcome.lines);
        }
        const std::string strEnd = "exit code with /e: " + std::to_string(c.dwExit) + " (" + Hex(c.dwExit) + ")";
        EXPECT_EQ(outcome.lines.back().substr(outcome.lines.back().size() - std::min(strEnd.size(),
                                                                                      outcome.lines.back().size())),
                  strEnd);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, (m_class.KeyPath() + L"\\0" + strPid).c_str());
    }
    ForgetStagedPackage(L"tvfail-ins");
}

// SetupCopyOEMInfW failing as the case says; nothing is staged then.
DWORD g_dwCopyError = 0;
int g_nUpdateCalls = 0;

BOOL WINAPI FakeCopyOemInf(PCWSTR, PCWSTR, DWORD, DWORD, PWSTR, DWORD, PDWORD, PWSTR*)
{
    SetLastError(g_dwCopyError);
    return FALSE;
}

BOOL WINAPI CountingUpdateDriver(HWND, LPCWSTR, LPCWSTR, DWORD, PBOOL)
{
    ++g_nUpdateCalls;
    return TRUE;
}

TEST_F(NativeFailure, AStagingThatFailsEndsTheCallWithItsCodeAndLogLine)
{
    const DWORD adwErrors[] = {
        ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_INVALID_PARAMETER,
        0xE000022F /* ERROR_NO_CATALOG_FOR_OEM_INF */, 0x800B0100 /* TRUST_E_NOSIGNATURE */,
        0xE0000247 /* ERROR_DRIVER_STORE_ADD_FAILED */,
    };
    CClassDevice device(m_class, L"0F02", nullptr);
    ASSERT_TRUE(device.m_bReady);
    ForgetStagedPackage(L"tvfail-copy");
    ASSERT_TRUE(WritePackage(m_folder.Path(), L"tvfail-copy", device.m_strHardwareId));
    const std::wstring strInf = m_folder.File(L"tvfail-copy.inf");
    NativeSetupApi().pfnSetupCopyOEMInfW = FakeCopyOemInf;
    NativeSetupApi().pfnUpdateDriverForPlugAndPlayDevicesW = CountingUpdateDriver;
    g_nUpdateCalls = 0;
    for (DWORD dwError : adwErrors) {
        g_dwCopyError = dwError;
        for (INT nOperation : { opPreinstall, opInstall }) {
            SCOPED_TRACE(Hex(dwError) + (nOperation == opInstall ? " install" : " preinstall"));
            const RUN_OUTCOME outcome = RunPackage(m_folder, nOperation, strInf);
            EXPECT_EQ(outcome.dwExit, dwError) << Dump(outcome.lines);
            EXPECT_TRUE(HasLine(outcome.lines, "event error " + Hex(dwError) + ": Cannot stage \"" + Narrow(strInf) +
                                                   "\" into the driver store"))
                << Dump(outcome.lines);
            EXPECT_TRUE(HasCallLine(outcome.lines,
                                    std::string(nOperation == opInstall ? "install" : "preinstall") + " \"" +
                                        Narrow(strInf) + "\"",
                                    dwError, ", restart needed: no"))
                << Dump(outcome.lines);
        }
    }
    EXPECT_EQ(g_nUpdateCalls, 0) << "no device is touched without a staged copy";
    EXPECT_EQ(CountCopiesInInfFolder(ReadFileBytes(strInf)), 0);
}

// DiUninstallDriverW (Windows 10 1703 and later; Wine has none).
DWORD g_dwDiError = 0;
BOOL g_bDiReboot = FALSE;

BOOL WINAPI FakeDiUninstall(HWND, LPCWSTR, DWORD, PBOOL pbNeedReboot)
{
    if (g_dwDiError) {
        SetLastError(g_dwDiError);
        return FALSE;
    }
    *pbNeedReboot = g_bDiReboot;
    return TRUE;
}

TEST_F(NativeFailure, EachAnswerOfTheDriverUninstallHasItsExitCodeAndLogLine)
{
    // Staged, so that the store holds a copy whoever looks for it first.
    ForgetStagedPackage(L"tvfail-di");
    ASSERT_TRUE(WritePackage(m_folder.Path(), L"tvfail-di", L"USB\\VID_F055&PID_0F03"));
    const std::wstring strInf = m_folder.File(L"tvfail-di.inf");
    const std::string strFull = Narrow(strInf);
    ASSERT_EQ(RunPackage(m_folder, opPreinstall, strInf).dwExit, 0u);
    NativeSetupApi().pfnDiUninstallDriverW = FakeDiUninstall;
    const struct
    {
        DWORD dwError;
        BOOL bReboot;
        DWORD dwExit;
        const char* pszEventStart;
        const char* pszEventEnd;
    } cases[] = {
        { 0, FALSE, 0, "event info 0x00000000: Uninstalled \"", ".inf\") from its devices and the driver store" },
        { 0, TRUE, ERROR_SUCCESS_REBOOT_REQUIRED, "event info 0x00000000: Uninstalled \"",
          ".inf\") from its devices and the driver store" },
        // Its documented failures; an INF it cannot find is the store's copy.
        { ERROR_FILE_NOT_FOUND, FALSE, 0xE0000302, "event error 0x00000002: \"", ".inf\" is not in the driver store" },
        { ERROR_NOT_FOUND, FALSE, 0xE0000302, "event error 0x00000490: \"", ".inf\" is not in the driver store" },
        { ERROR_INVALID_FLAGS, FALSE, ERROR_INVALID_FLAGS, "event error 0x000003EC: Cannot uninstall \"", ".inf\"" },
        { 0xE0000235, FALSE, 0xE0000235, "event error 0xE0000235: Cannot uninstall \"", ".inf\"" },
        { ERROR_ACCESS_DENIED, FALSE, ERROR_ACCESS_DENIED, "event error 0x00000005: Cannot uninstall \"", ".inf\"" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Hex(c.dwError) + (c.bReboot ? " with restart" : ""));
        g_dwDiError = c.dwError;
        g_bDiReboot = c.bReboot;
        const RUN_OUTCOME outcome = RunPackage(m_folder, opUninstall, strInf);
        EXPECT_EQ(outcome.dwExit, c.dwExit) << Dump(outcome.lines);
        EXPECT_EQ(outcome.bNeedReboot, c.bReboot != FALSE);
        EXPECT_TRUE(HasLineLike(outcome.lines, c.pszEventStart, c.pszEventEnd)) << Dump(outcome.lines);
        EXPECT_TRUE(HasCallLine(outcome.lines, "uninstall \"" + strFull + "\"", c.dwExit == 3010 ? 0 : c.dwExit,
                                c.bReboot ? ", restart needed: yes" : ", restart needed: no"))
            << Dump(outcome.lines);
    }
    ForgetStagedPackage(L"tvfail-di");
}

// Where Windows has no DiUninstallDriverW: the devices bound to the staged
// copy are removed with DIF_REMOVE, which the class installer of their
// class may fail or answer with a restart need.
TEST_F(NativeFailure, EachAnswerOfTheDeviceRemovalHasItsExitCodeAndLogLine)
{
    NativeSetupApi().pfnDiUninstallDriverW = nullptr;
    const struct
    {
        DWORD dwError;
        bool bReboot;
        DWORD dwExit;
    } cases[] = {
        { ERROR_ACCESS_DENIED, false, ERROR_ACCESS_DENIED },
        { ERROR_DEVICE_IN_USE, false, ERROR_DEVICE_IN_USE },
        { ERROR_SHARING_VIOLATION, false, ERROR_SHARING_VIOLATION },
        { 0, true, ERROR_SUCCESS_REBOOT_REQUIRED },
        { 0, false, 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Hex(c.dwError) + (c.bReboot ? " with restart" : ""));
        ForgetStagedPackage(L"tvfail-rm");
        ASSERT_TRUE(WritePackage(m_folder.Path(), L"tvfail-rm", L"USB\\VID_F055&PID_0F04"));
        const std::wstring strInf = m_folder.File(L"tvfail-rm.inf");
        const std::string strBytes = ReadFileBytes(strInf);
        ASSERT_EQ(RunPackage(m_folder, opPreinstall, strInf).dwExit, 0u);
        ASSERT_EQ(CountCopiesInInfFolder(strBytes), 1);
        CClassDevice device(m_class, L"0F04", L"tvfail-rm.inf");
        ASSERT_TRUE(device.m_bReady);
        ASSERT_TRUE(m_class.FailRemovalWith(c.dwError) && m_class.AskRestartOnRemoval(c.bReboot));

        const RUN_OUTCOME outcome = RunPackage(m_folder, opUninstall, strInf);
        EXPECT_EQ(outcome.dwExit, c.dwExit) << Dump(outcome.lines);
        const std::string strInstance = Narrow(device.m_device.InstanceId());
        if (c.dwError) {
            EXPECT_TRUE(HasLine(outcome.lines, "event error " + Hex(c.dwError) + ": Cannot remove device \"" +
                                                   strInstance + "\", which uses \"tvfail-rm.inf\""))
                << Dump(outcome.lines);
            EXPECT_TRUE(device.m_device.Exists());
            EXPECT_EQ(CountCopiesInInfFolder(strBytes), 1) << "the copy stays while a device uses it";
        } else {
            EXPECT_TRUE(HasLine(outcome.lines, "event info 0x00000000: Removed device \"" + strInstance +
                                                   "\", which used \"tvfail-rm.inf\""))
                << Dump(outcome.lines);
            // A removal that asks for a restart finishes with it.
            EXPECT_EQ(device.m_device.Exists(), c.bReboot);
            EXPECT_EQ(CountCopiesInInfFolder(strBytes), 0);
        }
        EXPECT_TRUE(HasCallLine(outcome.lines, "uninstall \"" + Narrow(strInf) + "\"", c.dwExit == 3010 ? 0 : c.dwExit,
                                c.bReboot ? ", restart needed: yes" : ", restart needed: no"))
            << Dump(outcome.lines);
    }
    ForgetStagedPackage(L"tvfail-rm");
}

// The repair's removal through the same class installer: its result is
// the code of the removal that failed, and the device stays.
TEST_F(NativeFailure, TheRepairReportsTheRemovalItCouldNotDo)
{
    CRegistryDevice stuck(L"USB", L"VID_7A7A&PID_0F05");
    CRegistryDevice removable(L"USB", L"VID_7A7A&PID_0F06");
    ASSERT_TRUE(stuck.IsDefined() && DefineConflictingMtpDevice(stuck) && stuck.SetString(L"ClassGUID", m_class.Guid()));
    ASSERT_TRUE(removable.IsDefined() && DefineConflictingMtpDevice(removable));
    ASSERT_TRUE(m_class.FailRemovalWith(ERROR_ACCESS_DENIED));
    EXPECT_EQ(FixMtpDriverConflict(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(stuck.Exists());
    EXPECT_FALSE(removable.Exists()) << "a failed removal does not end the repair";

    ASSERT_TRUE(m_class.FailRemovalWith(0));
    EXPECT_EQ(FixMtpDriverConflict(), 0u);
    EXPECT_FALSE(stuck.Exists());
}

} // namespace
