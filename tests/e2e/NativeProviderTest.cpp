// The program on a Windows without DIFx: no DIFXAPI.dll beside it (and
// difxapi=n keeps Wine's stub out), so packages go through Wine's real
// SetupAPI into the prefix's INF folder and onto registry-defined devices.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "E2eTexts.h"
#include "ProgramRun.h"
#include "UsbDeviceRegistry.h"
#include "support/DriverPackages.h"

namespace {

const wchar_t c_szEnumUsb[] = L"System\\CurrentControlSet\\Enum\\USB\\";

// A value of a device's instance key, or "" when it has none.
std::wstring DeviceValue(const std::wstring& strDeviceId, LPCWSTR pszName)
{
    WCHAR sz[512] = {};
    DWORD cb = sizeof(sz) - sizeof(WCHAR);
    const std::wstring strKey = c_szEnumUsb + strDeviceId + L"\\7&7A7A&0&1";
    if (RegGetValueW(HKEY_LOCAL_MACHINE, strKey.c_str(), pszName, RRF_RT_REG_SZ, nullptr, sz, &cb) != ERROR_SUCCESS)
        return L"";
    return sz;
}

// A device that only the test's own package names. Whatever an earlier run
// left under this device ID goes first.
struct CNamedDevice
{
    explicit CNamedDevice(const std::wstring& strDeviceId)
        : m_strHardwareId(L"USB\\" + strDeviceId), m_bCleared(Clear(strDeviceId)), m_device(L"USB", strDeviceId)
    {
        m_bReady = m_device.IsDefined() && m_device.SetMultiString(L"HardwareID", { m_strHardwareId });
    }
    static bool Clear(const std::wstring& strDeviceId)
    {
        return RegDeleteTreeW(HKEY_LOCAL_MACHINE, (c_szEnumUsb + strDeviceId).c_str()) == ERROR_SUCCESS;
    }

    std::wstring m_strHardwareId;
    bool m_bCleared;
    CRegistryDevice m_device;
    bool m_bReady = false;
};

// Each package name is one test's own; what an earlier run staged goes first.
struct CPackage
{
    CPackage(const CProgramRun& run, const std::wstring& strName, const std::wstring& strHardwareId)
        : m_strName(strName)
    {
        ForgetStagedPackage(strName);
        m_bWritten = WritePackage(run.Folder(), strName, strHardwareId);
        m_strBytes = ReadFileBytes(run.File(strName + L".inf"));
    }
    ~CPackage() { ForgetStagedPackage(m_strName); }

    std::wstring m_strName;
    std::string m_strBytes;
    bool m_bWritten = false;
};

TEST(NativeProvider, PreinstallStagesOneCopyAndASecondOneAddsNone)
{
    CProgramRun first(CProgramRun::EDifx::None);
    ASSERT_TRUE(first.IsReady());
    CPackage package(first, L"tvnat-pre", L"USB\\VID_F055&PID_0E20");
    ASSERT_TRUE(package.m_bWritten);
    ASSERT_EQ(CountCopiesInInfFolder(package.m_strBytes), 0);

    EXPECT_EQ(first.RunToEnd(L"/p /s tvnat-pre.inf /q /e", c_msStart), 0u);
    EXPECT_EQ(CountCopiesInInfFolder(package.m_strBytes), 1);

    // The same package from another folder, behind the dialog this time.
    CProgramRun second(CProgramRun::EDifx::None);
    ASSERT_TRUE(second.IsReady());
    ASSERT_TRUE(WritePackage(second.Folder(), L"tvnat-pre", L"USB\\VID_F055&PID_0E20"));
    EXPECT_EQ(second.RunToEnd(L"/p /s tvnat-pre.inf", c_msStart), 0u);
    EXPECT_EQ(CountCopiesInInfFolder(package.m_strBytes), 1);
}

TEST(NativeProvider, InstallBindsTheDeviceThePackageNamesAndNoOther)
{
    CNamedDevice named(L"VID_F055&PID_0E21");
    CNamedDevice other(L"VID_F055&PID_0E22");
    ASSERT_TRUE(named.m_bReady && other.m_bReady);
    CProgramRun run(CProgramRun::EDifx::None);
    ASSERT_TRUE(run.IsReady());
    CPackage package(run, L"tvnat-ins", named.m_strHardwareId);
    ASSERT_TRUE(package.m_bWritten);

    EXPECT_EQ(run.RunToEnd(L"/i /s tvnat-ins.inf /q /o run.log /e", c_msStart), 0u);
    EXPECT_EQ(CountCopiesInInfFolder(package.m_strBytes), 1);
    EXPECT_EQ(DeviceValue(L"VID_F055&PID_0E21", L"DeviceDesc"), L"Test device tvnat-ins");
    EXPECT_EQ(DeviceValue(L"VID_F055&PID_0E22", L"Driver"), L"");
    // The log names the driver the device really has.
    const std::wstring strDriver = DeviceValue(L"VID_F055&PID_0E21", L"Driver");
    ASSERT_NE(strDriver, L"");
    WCHAR szInf[MAX_PATH] = {};
    DWORD cb = sizeof(szInf) - sizeof(WCHAR);
    EXPECT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, (L"System\\CurrentControlSet\\Control\\Class\\" + strDriver).c_str(),
                           L"InfPath", RRF_RT_REG_SZ, nullptr, szInf, &cb),
              ERROR_SUCCESS);
    EXPECT_NE(ReadFileBytes(run.File(L"run.log"))
                  .find(": Device \"" + Narrow(named.m_device.InstanceId()) + "\" now uses \"" + Narrow(szInf) + "\"\r\n"),
              std::string::npos);
}

TEST(NativeProvider, UninstallRemovesExactlyTheStagedCopyAndItsDevice)
{
    CNamedDevice named(L"VID_F055&PID_0E23");
    ASSERT_TRUE(named.m_bReady);
    CProgramRun run(CProgramRun::EDifx::None);
    ASSERT_TRUE(run.IsReady());
    CPackage package(run, L"tvnat-uni", named.m_strHardwareId);
    ASSERT_TRUE(package.m_bWritten);
    ASSERT_TRUE(run.Write(L"inflist.txt", ";inflist\r\ntvnat-uni.inf\r\n"));

    // Installed behind the dialog, uninstalled quietly, both from the list.
    ASSERT_EQ(run.RunToEnd(L"/i", c_msStart), 0u);
    ASSERT_NE(DeviceValue(L"VID_F055&PID_0E23", L"Driver"), L"");
    std::map<std::wstring, std::string> expected = InfFolderFiles();
    ASSERT_EQ(expected.erase(L"TVNAT-UNI.INF"), 1u);

    CProgramRun again(CProgramRun::EDifx::None);
    ASSERT_TRUE(again.IsReady());
    ASSERT_TRUE(WritePackage(again.Folder(), L"tvnat-uni", named.m_strHardwareId));
    EXPECT_EQ(again.RunToEnd(L"/u /s tvnat-uni.inf /q /e", c_msStart), 0u);
    EXPECT_EQ(InfFolderFiles(), expected);
    EXPECT_FALSE(named.m_device.Exists());
}

TEST(NativeProvider, BrokenPackagesStageNothingAndTheListGoesOn)
{
    CProgramRun run(CProgramRun::EDifx::None);
    ASSERT_TRUE(run.IsReady());
    CPackage good(run, L"tvnat-good", L"USB\\VID_F055&PID_0E24");
    CPackage noCatalog(run, L"tvnat-nocat", L"USB\\VID_F055&PID_0E25");
    ASSERT_TRUE(good.m_bWritten && noCatalog.m_bWritten);
    ASSERT_TRUE(DeleteFileW(run.File(L"tvnat-nocat.cat").c_str()));
    const std::string strGarbage = "\x01\x02 this is [not an INF\r\n\xff\xfe";
    ASSERT_TRUE(run.Write(L"tvnat-garbage.inf", strGarbage));
    ASSERT_TRUE(run.Write(L"list.txt", ";inflist\r\nmissing.inf\r\ntvnat-garbage.inf\r\ntvnat-nocat.inf\r\n"
                                       "tvnat-good.inf\r\n"));
    const std::map<std::wstring, std::string> before = InfFolderFiles();

    // The first failure is the missing file's.
    EXPECT_EQ(run.RunToEnd(L"/p /l list.txt /q /e", c_msStart), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(CountCopiesInInfFolder(good.m_strBytes), 1);
    EXPECT_EQ(CountCopiesInInfFolder(noCatalog.m_strBytes), 0);
    EXPECT_EQ(CountCopiesInInfFolder(strGarbage), 0);
    EXPECT_EQ(InfFolderFiles().size(), before.size() + 2) << "the good package's INF and PNF only";
}

TEST(NativeProvider, DifxInTheCurrentFolderOrOnPathIsNeverLoaded)
{
    CProgramRun run(CProgramRun::EDifx::None);
    ASSERT_TRUE(run.IsReady());
    CScratchDir planted;
    ASSERT_TRUE(CopyFileW((ModuleDir() + L"\\..\\DIFXAPI.dll").c_str(), planted.File(L"DIFXAPI.dll").c_str(), FALSE));
    ForgetStagedPackage(L"tvnat-cwd");
    ASSERT_TRUE(WritePackage(planted.Path(), L"tvnat-cwd", L"USB\\VID_F055&PID_0E26"));
    const std::string strBytes = ReadFileBytes(planted.File(L"tvnat-cwd.inf"));

    // Wine keeps a placeholder of its builtin DIFx in System32: without it,
    // a search by name would go on to the current folder and PATH.
    WCHAR szSystem[MAX_PATH];
    GetSystemDirectoryW(szSystem, MAX_PATH);
    const std::wstring strPlaceholder = std::wstring(szSystem) + L"\\difxapi.dll";
    const std::wstring strMoved = planted.File(L"placeholder.dll");
    ASSERT_TRUE(!FileExists(strPlaceholder) || MoveFileW(strPlaceholder.c_str(), strMoved.c_str()));

    WCHAR szPath[8192] = {};
    GetEnvironmentVariableW(L"PATH", szPath, ARRAYSIZE(szPath));
    SetEnvironmentVariableW(L"PATH", (planted.Path() + L";" + szPath).c_str());
    run.SetWorkingFolder(planted.Path());
    const DWORD dwExit = run.RunToEnd(L"/p /s tvnat-cwd.inf /q /e", c_msStart);
    SetEnvironmentVariableW(L"PATH", szPath);
    if (FileExists(strMoved))
        MoveFileW(strMoved.c_str(), strPlaceholder.c_str());

    EXPECT_EQ(dwExit, 0u);
    // The planted stand-in would have journaled its calls.
    EXPECT_FALSE(FileExists(run.File(L"journal.txt")));
    EXPECT_EQ(CountCopiesInInfFolder(strBytes), 1) << "staged through the system instead";
    ForgetStagedPackage(L"tvnat-cwd");
}

TEST(NativeProvider, ADifxDllWithoutAllFourFunctionsCountsAsAbsent)
{
    CProgramRun run(CProgramRun::EDifx::None);
    ASSERT_TRUE(run.IsReady());
    ASSERT_TRUE(CopyFileW((ModuleDir() + L"\\partial-difxapi.dll").c_str(), run.File(L"DIFXAPI.dll").c_str(), FALSE));
    CPackage package(run, L"tvnat-part", L"USB\\VID_F055&PID_0E27");
    ASSERT_TRUE(package.m_bWritten);

    EXPECT_EQ(run.RunToEnd(L"/i /s tvnat-part.inf /q /e", c_msStart), 0u);
    EXPECT_FALSE(FileExists(run.File(L"partial-difx-called.txt")));
    EXPECT_EQ(CountCopiesInInfFolder(package.m_strBytes), 1) << "installed through the system instead";
}

TEST(NativeProvider, RunsFromAFolderThatHoldsOnlyItself)
{
    for (LPCWSTR pszArgs : { L"/f rezuv /q", L"/i /q", L"/i" }) {
        CProgramRun run(CProgramRun::EDifx::None);
        ASSERT_TRUE(run.IsReady());
        EXPECT_EQ(run.RunToEnd(pszArgs, c_msStart), 0u) << Narrow(pszArgs);
    }
    CProgramRun usage(CProgramRun::EDifx::None);
    ASSERT_TRUE(usage.IsReady() && usage.Start(L"/?"));
    HWND hDlg = usage.WaitForWindow(c_szUsageCaption, c_msStart);
    ASSERT_NE(hDlg, nullptr);
    PostMessageW(hDlg, WM_COMMAND, IDOK, 0);
    DWORD dwExit = 1;
    EXPECT_TRUE(usage.Wait(c_msStart, &dwExit));
    EXPECT_EQ(dwExit, 0u);
}

// A copy of one of the prefix's own INFs is no package of the user's: it has
// no staged copy, so nothing of the system goes.
TEST(NativeProvider, UninstallOfACopyOfASystemInfRemovesNothing)
{
    ASSERT_TRUE(EnumKeyExists(L"ROOT\\WINE\\WINEBUS"));
    CProgramRun run(CProgramRun::EDifx::None);
    ASSERT_TRUE(run.IsReady());
    const std::string strSystem = ReadFileBytes(InfFolder() + L"\\winebus.inf");
    ASSERT_FALSE(strSystem.empty());
    ASSERT_TRUE(run.Write(L"winebus.inf", strSystem));
    const auto before = InfFolderFiles();

    EXPECT_EQ(run.RunToEnd(L"/u /q /s winebus.inf /o log /e", c_msStart), 0xE0000302u);
    EXPECT_EQ(InfFolderFiles(), before);
    EXPECT_TRUE(EnumKeyExists(L"ROOT\\WINE\\WINEBUS"));
}

TEST(NativeProvider, EverySpellingOfASystemInfIsRefused)
{
    WCHAR szWindows[MAX_PATH];
    ASSERT_GT(GetWindowsDirectoryW(szWindows, MAX_PATH), 0u);
    // Another drive letter for the same folder, as subst makes one: Wine's Z:
    // is the Unix root, and the prefix lies below it.
    WCHAR szPrefix[MAX_PATH] = {};
    ASSERT_GT(GetEnvironmentVariableW(L"WINEPREFIX", szPrefix, MAX_PATH), 0u);
    std::wstring strOtherDrive = L"Z:" + std::wstring(szPrefix) + L"/drive_c/windows/inf/wineusb.inf";
    std::replace(strOtherDrive.begin(), strOtherDrive.end(), L'/', L'\\');
    const auto before = InfFolderFiles();
    const std::wstring strInf = std::wstring(szWindows) + L"\\inf\\wineusb.inf";
    for (const std::wstring& strPath : { L"\\\\?\\" + strInf, L"\\\\.\\" + strInf, strOtherDrive }) {
        CProgramRun run(CProgramRun::EDifx::None);
        ASSERT_TRUE(run.IsReady());
        EXPECT_EQ(run.RunToEnd(L"/u /q /e /s " + strPath, c_msStart), static_cast<DWORD>(ERROR_INVALID_PARAMETER))
            << Narrow(strPath);
        EXPECT_EQ(InfFolderFiles(), before) << Narrow(strPath);
        EXPECT_TRUE(EnumKeyExists(L"ROOT\\WINE\\WINEUSB")) << Narrow(strPath);
    }
}

// DIFx's codes for an install that finds no device, and for a package with
// nothing for x64; with /e the first is a success: the package is staged.
TEST(NativeProvider, InstallGivesDifxCodesAndOnlyAStagedPackageCountsAsSuccess)
{
    const struct
    {
        LPCWSTR pszName;
        const char* pszModels; // the models decoration
        const char* pszResult;
        DWORD dwExit;
        int nCopies;
        const char* pszLine; // how the log's package line ends
    } cases[] = {
        { L"tvnat-nodev", "NTamd64", "0xE000020B", 0, 1, ", staged; no matching device is present, restart needed: no" },
        { L"tvnat-nox64", "NTx86", "0xE0000301", 0xE0000301, 0, ", restart needed: no" },
        { L"tvnat-armonly", "NTarm64", "0xE0000301", 0xE0000301, 0, ", restart needed: no" },
    };
    for (const auto& c : cases) {
        CProgramRun run(CProgramRun::EDifx::None);
        ASSERT_TRUE(run.IsReady());
        CPackage package(run, c.pszName, L"USB\\VID_F055&PID_0E28");
        const std::string strInf = PackageInfText(c.pszName, L"USB\\VID_F055&PID_0E28", c.pszModels);
        ASSERT_TRUE(run.Write(std::wstring(c.pszName) + L".inf", strInf));

        EXPECT_EQ(run.RunToEnd(L"/i /q /o run.log /e /s " + std::wstring(c.pszName) + L".inf", c_msStart), c.dwExit);
        EXPECT_EQ(CountCopiesInInfFolder(strInf), c.nCopies) << Narrow(c.pszName);
        const std::string strLog = ReadFileBytes(run.File(L"run.log"));
        const size_t nLine = strLog.find(std::string(": result ") + c.pszResult);
        ASSERT_NE(nLine, std::string::npos) << strLog;
        const std::string strLine = strLog.substr(nLine, strLog.find("\r\n", nLine) - nLine);
        EXPECT_EQ(strLine.substr(strLine.size() - std::min(strLine.size(), strlen(c.pszLine))), c.pszLine);
    }
}

// Stock Windows keeps an in-box DIFx in System32: only one beside the exe
// is used. Wine's own placeholder there is put back afterwards.
TEST(NativeProvider, DifxInSystem32OnlyIsNotUsed)
{
    WCHAR szSystem[MAX_PATH];
    ASSERT_GT(GetSystemDirectoryW(szSystem, MAX_PATH), 0u);
    const std::wstring strSystemDifx = std::wstring(szSystem) + L"\\difxapi.dll";
    const std::string strStandIn = ReadFileBytes(ModuleDir() + L"\\..\\DIFXAPI.dll");
    ASSERT_FALSE(strStandIn.empty());
    if (ReadFileBytes(strSystemDifx) == strStandIn) {
        ASSERT_TRUE(DeleteFileW(strSystemDifx.c_str()));
    }
    const bool bPlaceholder = FileExists(strSystemDifx);
    const std::string strPlaceholder = ReadFileBytes(strSystemDifx);

    CProgramRun run(CProgramRun::EDifx::None);
    ASSERT_TRUE(run.IsReady());
    CPackage package(run, L"tvnat-sys", L"USB\\VID_F055&PID_0E29");
    ASSERT_TRUE(package.m_bWritten);
    ASSERT_TRUE(WriteFileBytes(strSystemDifx, strStandIn));
    const DWORD dwExit = run.RunToEnd(L"/p /q /s tvnat-sys.inf /o run.log", c_msStart);
    if (bPlaceholder)
        WriteFileBytes(strSystemDifx, strPlaceholder);
    else
        DeleteFileW(strSystemDifx.c_str());

    EXPECT_EQ(dwExit, 0u);
    EXPECT_NE(ReadFileBytes(run.File(L"run.log")).find(", driver install: Windows device installation API\r\n"),
              std::string::npos);
    EXPECT_EQ(CountCopiesInInfFolder(package.m_strBytes), 1);
}

// A package with two IDs; device A lists both, B the first, C the second.
// Every one of them ends on the package's driver.
TEST(NativeProvider, InstallReachesEveryDeviceThatListsOneOfThePackagesIds)
{
    const std::wstring strFirst = L"USB\\VID_F055&PID_0EB1";
    const std::wstring strSecond = L"USB\\VID_F055&PID_0EB2";
    const LPCWSTR rgpszDevices[] = { L"VID_F055&PID_0EBA", L"VID_F055&PID_0EBB", L"VID_F055&PID_0EBC" };
    for (LPCWSTR pszDevice : rgpszDevices)
        CNamedDevice::Clear(pszDevice);
    CRegistryDevice a(L"USB", rgpszDevices[0]);
    CRegistryDevice b(L"USB", rgpszDevices[1]);
    CRegistryDevice c(L"USB", rgpszDevices[2]);
    ASSERT_TRUE(a.IsDefined() && a.SetMultiString(L"HardwareID", { strFirst, strSecond }));
    ASSERT_TRUE(b.IsDefined() && b.SetMultiString(L"HardwareID", { strFirst }));
    ASSERT_TRUE(c.IsDefined() && c.SetMultiString(L"HardwareID", { strSecond }));
    CProgramRun run(CProgramRun::EDifx::None);
    ASSERT_TRUE(run.IsReady());
    CPackage package(run, L"tvnat-two", strFirst + L", " + strSecond);
    ASSERT_TRUE(package.m_bWritten);

    EXPECT_EQ(run.RunToEnd(L"/i /q /e /s tvnat-two.inf /o run.log", c_msStart), 0u);
    const std::string strLog = ReadFileBytes(run.File(L"run.log"));
    for (LPCWSTR pszDevice : rgpszDevices) {
        EXPECT_EQ(DeviceValue(pszDevice, L"DeviceDesc"), L"Test device tvnat-two") << Narrow(pszDevice);
        const std::string strInstance = "USB\\" + Narrow(pszDevice) + "\\7&7A7A&0&1";
        EXPECT_NE(strLog.find(": Installing on device \"" + strInstance + "\", which lists \""), std::string::npos)
            << strLog;
        EXPECT_NE(strLog.find(": Device \"" + strInstance + "\" now uses \"tvnat-two.inf\"\r\n"), std::string::npos)
            << strLog;
    }
    EXPECT_EQ(strLog.find("gets no call"), std::string::npos);
    EXPECT_EQ(strLog.find("keeps"), std::string::npos);
}

// /u of a list whose long line ends in the relative path of a package
// beside the list: that package stays staged, and each piece fails with 206.
TEST(NativeProvider, NoPieceOfALongListLineIsUninstalled)
{
    CProgramRun run(CProgramRun::EDifx::None);
    ASSERT_TRUE(run.IsReady());
    ASSERT_TRUE(CreateDirectoryW(run.File(L"good").c_str(), nullptr));
    ForgetStagedPackage(L"tvnat-tail");
    ASSERT_TRUE(WritePackage(run.File(L"good"), L"tvnat-tail", L"USB\\VID_F055&PID_0EC1"));
    const std::string strBytes = ReadFileBytes(run.File(L"good\\tvnat-tail.inf"));
    ASSERT_EQ(run.RunToEnd(L"/p /q /e /s good\\tvnat-tail.inf", c_msStart), 0u);
    ASSERT_EQ(CountCopiesInInfFolder(strBytes), 1);

    // The first piece is 1,023 bytes: the second is good\tvnat-tail.inf.
    const std::string strFolder = Narrow(run.Folder()) + "\\";
    ASSERT_LT(strFolder.size(), 1000u);
    const std::string strLine = strFolder + std::string(1023 - strFolder.size(), 'x') + "good\\tvnat-tail.inf";
    ASSERT_TRUE(run.Write(L"list.txt", ";inflist\r\n" + strLine + "\r\n"));
    CProgramRun uninstall(CProgramRun::EDifx::None);
    ASSERT_TRUE(uninstall.IsReady());
    uninstall.SetWorkingFolder(run.Folder());
    EXPECT_EQ(uninstall.RunToEnd(L"/u /q /e /l list.txt /o run.log", c_msStart),
              static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_EQ(CountCopiesInInfFolder(strBytes), 1);
    const std::string strLog = ReadFileBytes(run.File(L"run.log"));
    EXPECT_NE(strLog.find("list \"list.txt\" -> \"" + Narrow(run.File(L"list.txt")) + "\": 2 entries"),
              std::string::npos)
        << strLog;
    EXPECT_NE(strLog.find("uninstall \"good\\tvnat-tail.inf\" -> \"" + Narrow(run.File(L"good\\tvnat-tail.inf")) +
                          "\": result 0x000000CE"),
              std::string::npos)
        << strLog;
    size_t cEvents = 0;
    for (size_t nAt = strLog.find("event error 0x000000CE: Line 2 of the list is longer than 1022 bytes");
         nAt != std::string::npos; nAt = strLog.find("event error 0x000000CE: Line 2", nAt + 1))
        ++cEvents;
    EXPECT_EQ(cEvents, 2u) << strLog;
    ForgetStagedPackage(L"tvnat-tail");
}

} // namespace
