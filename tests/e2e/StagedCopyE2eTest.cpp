// After staging, the install reopens the package only in the Windows INF
// folder, which users cannot change: newdev gets the staged copy's path,
// never the package's own folder, where a user could swap the INF (or a
// junction above it) between the staging and the install. A newdev.dll that
// records its calls stands in for Wine's, for this program only.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "E2eTexts.h"
#include "ProgramRun.h"
#include "UsbDeviceRegistry.h"
#include "support/DriverPackages.h"

namespace {

const wchar_t c_szExeName[] = L"tavelin-recnewdev.exe";
const wchar_t c_szOverrides[] = L"Software\\Wine\\AppDefaults\\tavelin-recnewdev.exe\\DllOverrides";

// Puts the recording newdev.dll into System32 and has Wine load it (rather
// than its builtin, which every other program keeps getting) for the exe of
// that one name; puts everything back when it goes.
class CRecordingNewdev
{
public:
    explicit CRecordingNewdev(const std::wstring& strJournal)
    {
        WCHAR szSystem[MAX_PATH] = {};
        GetSystemDirectoryW(szSystem, MAX_PATH);
        m_strDll = std::wstring(szSystem) + L"\\newdev.dll";
        m_strSaved = ReadFileBytes(m_strDll);
        HKEY hKey = nullptr;
        m_bReady = !m_strSaved.empty() &&
                   CopyFileW((ModuleDir() + L"\\newdev-recorder.dll").c_str(), m_strDll.c_str(), FALSE) &&
                   RegCreateKeyExW(HKEY_CURRENT_USER, c_szOverrides, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &hKey,
                                   nullptr) == ERROR_SUCCESS;
        if (hKey) {
            const wchar_t szNative[] = L"native";
            m_bReady = m_bReady && RegSetValueExW(hKey, L"newdev", 0, REG_SZ, reinterpret_cast<const BYTE*>(szNative),
                                                  sizeof(szNative)) == ERROR_SUCCESS;
            RegCloseKey(hKey);
        }
        SetEnvironmentVariableW(L"TAVELIN_NEWDEV_JOURNAL", strJournal.c_str());
    }
    ~CRecordingNewdev()
    {
        SetEnvironmentVariableW(L"TAVELIN_NEWDEV_JOURNAL", nullptr);
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\tavelin-recnewdev.exe");
        if (!m_strSaved.empty())
            WriteFileBytes(m_strDll, m_strSaved);
    }
    bool IsReady() const { return m_bReady; }

private:
    std::wstring m_strDll;
    std::string m_strSaved;
    bool m_bReady = false;
};

std::vector<std::string> Lines(const std::string& str)
{
    std::vector<std::string> lines;
    for (size_t nAt = 0, nEnd; (nEnd = str.find('\n', nAt)) != std::string::npos; nAt = nEnd + 1)
        lines.push_back(str.substr(nAt, nEnd - nAt));
    return lines;
}

TEST(StagedCopy, InstallHandsNewdevTheStagedCopyInTheInfFolder)
{
    const std::wstring strDeviceId = L"VID_F055&PID_0E2A";
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, (L"System\\CurrentControlSet\\Enum\\USB\\" + strDeviceId).c_str());
    CRegistryDevice device(L"USB", strDeviceId);
    ASSERT_TRUE(device.IsDefined() && device.SetMultiString(L"HardwareID", { L"USB\\" + strDeviceId }));
    CProgramRun run(CProgramRun::EDifx::None);
    ASSERT_TRUE(run.IsReady() && run.RenameExe(c_szExeName));
    ForgetStagedPackage(L"tvrec-ins");
    ASSERT_TRUE(WritePackage(run.Folder(), L"tvrec-ins", L"USB\\" + strDeviceId));
    {
        CRecordingNewdev newdev(run.File(L"newdev.txt"));
        ASSERT_TRUE(newdev.IsReady());
        // The recorder installs nothing: every device keeps its driver (259),
        // which counts as staged.
        EXPECT_EQ(run.RunToEnd(L"/i /s tvrec-ins.inf /q /e /o run.log", c_msStart), 0u);
    }
    EXPECT_EQ(Lines(ReadFileBytes(run.File(L"newdev.txt"))),
              (std::vector<std::string>{ "USB\\" + Narrow(strDeviceId) + "|" + Narrow(InfFolder()) + "\\tvrec-ins.inf" }))
        << ReadFileBytes(run.File(L"run.log"));
    EXPECT_EQ(ReadFileBytes(InfFolder() + L"\\tvrec-ins.inf"), ReadFileBytes(run.File(L"tvrec-ins.inf")));
    ForgetStagedPackage(L"tvrec-ins");
}

} // namespace
