// The x64 build on an ARM64 machine, played by an injected native-machine
// call: the provider choice for each pair of build and machine, and whole
// runs from a parsed command line that change nothing (no file in the INF
// folder or catalog root, no device removed) and say why in the log, while
// /v checks the packages for ARM64.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "UsbDeviceRegistry.h"
#include "cmdline/CommandLineInfo.h"
#include "cmdline/CommandLineTokenizer.h"
#include "inf/MachineArchitecture.h"
#include "packages/DiffxApiCallback.h"
#include "packages/DriverInstallChoice.h"
#include "packages/DriverOperation.h"
#include "packages/RunLog.h"
#include "packages/RunSummary.h"
#include "support/DriverPackages.h"
#include "support/PlayedMachine.h"
#include "support/TestFiles.h"

namespace {

const DWORD c_dwInWow64 = 0xE0000235;
const DWORD c_dwNoDeviceId = 0xE0000301;

struct LOGGED
{
    DWORD dwCode;
    std::string strText;
};

void __cdecl Record(DIFXAPI_LOG, DWORD dwCode, PCWSTR pszText, PVOID pvContext)
{
    static_cast<std::vector<LOGGED>*>(pvContext)->push_back({ dwCode, Narrow(pszText) });
}

TEST(EmulatedRun, ProviderFollowsBuildAndMachine)
{
    const struct
    {
        EMachineArchitecture build;
        EMachineArchitecture machine;
        INT nPath;
        const char* pszWhy; // part of the start line's reason; null: none
    } cases[] = {
        // The test folder holds the stand-in DIFXAPI.dll: x64 on x64 takes it.
        { machineAmd64, machineAmd64, installPathDifx, nullptr },
        { machineAmd64, machineArm64, installPathRefused, "run the ARM64 build" },
        { machineArm64, machineArm64, installPathNative, "DIFx does not exist for ARM64" },
        { machineArm64, machineAmd64, installPathRefused, "emulated" },
    };
    for (const auto& c : cases) {
        DRIVER_INSTALL_API api = {};
        ChooseDriverInstallApi(c.build, c.machine, &api);
        EXPECT_EQ(api.nPath, c.nPath) << c.build << " on " << c.machine;
        if (c.pszWhy) {
            EXPECT_NE(Narrow(api.pszWhy ? api.pszWhy : L"").find(c.pszWhy), std::string::npos) << c.pszWhy;
        } else {
            EXPECT_EQ(api.pszWhy, nullptr);
        }
        ASSERT_NE(api.pfnPreinstall, nullptr);
        ASSERT_NE(api.pfnInstall, nullptr);
        ASSERT_NE(api.pfnUninstall, nullptr);
        ASSERT_NE(api.pfnSetLogCallback, nullptr);
    }
}

TEST(EmulatedRun, RefusingProviderAnswersEveryCallWithInWow64)
{
    CScratchDir dir;
    ForgetStagedPackage(L"tvemu-direct");
    ASSERT_TRUE(WritePackage(dir.Path(), L"tvemu-direct", L"USB\\VID_F055&PID_0E64"));
    const std::wstring strInf = dir.File(L"tvemu-direct.inf");
    const auto before = InfFolderFiles();
    DRIVER_INSTALL_API api = {};
    ChooseDriverInstallApi(machineAmd64, machineArm64, &api);
    std::vector<LOGGED> events;
    api.pfnSetLogCallback(&Record, &events);
    BOOL bReboot = FALSE;
    EXPECT_EQ(api.pfnPreinstall(strInf.c_str(), 0), c_dwInWow64);
    EXPECT_EQ(api.pfnInstall(strInf.c_str(), 0, nullptr, &bReboot), c_dwInWow64);
    EXPECT_EQ(api.pfnUninstall(strInf.c_str(), 0, nullptr, &bReboot), c_dwInWow64);
    api.pfnSetLogCallback(nullptr, nullptr);
    EXPECT_FALSE(bReboot);
    ASSERT_EQ(events.size(), 3u);
    for (const LOGGED& e : events) {
        EXPECT_EQ(e.dwCode, c_dwInWow64);
        EXPECT_NE(e.strText.find(Narrow(strInf)), std::string::npos) << e.strText;
        EXPECT_NE(e.strText.find("run the ARM64 build"), std::string::npos) << e.strText;
    }
    EXPECT_EQ(InfFolderFiles(), before);
}

// The native provider's own reading of the package follows the machine: a
// package without models for it is not staged, and the text names the
// machine's architecture.
TEST(EmulatedRun, NativeInstallNamesTheMachinesArchitecture)
{
    CScratchDir dir;
    const struct
    {
        USHORT usNative;
        const char* pszModels;
        const char* pszText; // the error event's text holds it; null: no such event
    } cases[] = {
        { 0xAA64, "NTamd64", "names no device for ARM64; nothing is staged" },
        { 0x8664, "NTarm64", "names no device for x64; nothing is staged" },
        { 0x8664, "NTx86", "names no device for x64; nothing is staged" },
    };
    for (const auto& c : cases) {
        CPlayedMachine played(c.usNative);
        ForgetStagedPackage(L"tvemu-native");
        const std::string strInf = PackageInfText(L"tvemu-native", L"USB\\VID_F055&PID_0E69", c.pszModels);
        ASSERT_TRUE(WriteFileBytes(dir.File(L"tvemu-native.inf"), strInf));
        ASSERT_TRUE(WriteFileBytes(dir.File(L"tvemu-native.cat"), "catalog"));
        DRIVER_INSTALL_API api = {};
        ChooseDriverInstallApi(machineArm64, machineArm64, &api);
        ASSERT_EQ(api.nPath, installPathNative);
        std::vector<LOGGED> events;
        api.pfnSetLogCallback(&Record, &events);
        BOOL bReboot = FALSE;
        EXPECT_EQ(api.pfnInstall(dir.File(L"tvemu-native.inf").c_str(), 0, nullptr, &bReboot), c_dwNoDeviceId);
        api.pfnSetLogCallback(nullptr, nullptr);
        bool bFound = false;
        for (const LOGGED& e : events)
            bFound = bFound || (e.dwCode == c_dwNoDeviceId && e.strText.find(c.pszText) != std::string::npos);
        EXPECT_TRUE(bFound) << c.pszText;
        EXPECT_EQ(CountCopiesInInfFolder(strInf), 0) << c.pszModels;
    }
}

// Whole runs through the dispatcher and the provider this process chooses,
// as the exe runs them, with the machine played before the first choice.
class EmulatedRuns : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ClearTestDevices());
        for (LPCWSTR psz : { L"tvemu-a", L"tvemu-b", L"tvemu-arm" })
            ForgetStagedPackage(psz);
        ASSERT_TRUE(WritePackage(m_dir.Path(), L"tvemu-a", L"USB\\VID_F055&PID_0E65"));
        ASSERT_TRUE(WritePackage(m_dir.Path(), L"tvemu-b", L"USB\\VID_F055&PID_0E66"));
        ASSERT_TRUE(WriteFileBytes(m_dir.File(L"tvemu-arm.inf"),
                                   PackageInfText(L"tvemu-arm", L"USB\\VID_F055&PID_0E67", "NTarm64")));
        ASSERT_TRUE(WriteFileBytes(m_dir.File(L"tvemu-arm.cat"), "catalog"));
        ASSERT_TRUE(WriteFileBytes(m_dir.File(L"list.txt"), ";inflist\r\ntvemu-a.inf\r\ntvemu-b.inf\r\n"));
    }
    void TearDown() override { ClearTestDevices(); }

    // Runs the tail with a log; returns the log's text.
    std::string Run(const std::wstring& strTail, RUN_SUMMARY* pSummary)
    {
        const std::wstring strLog = m_dir.File(L"run.log");
        DeleteFileW(strLog.c_str());
        CTavelinCommandLineInfo info;
        std::wstring strCopy = strTail;
        ParseCommandLineInto(&strCopy[0], info);
        CDiffxApiCallback quiet;
        {
            CRunLog log;
            EXPECT_TRUE(log.Open(strLog.c_str()));
            RunDriverOperation(&quiet, info, &log, pSummary);
        }
        return ReadFileBytes(strLog);
    }

    CScratchDir m_dir;
};

TEST_F(EmulatedRuns, ChangingOperationsRefuseEachPackageAndChangeNothing)
{
    CPlayedMachine played(0xAA64);
    CRegistryDevice device(L"USB", L"VID_F055&PID_0E65");
    ASSERT_TRUE(device.IsDefined());
    ASSERT_TRUE(device.SetString(L"ClassGUID", L"{6f3b2c10-58a4-4c8e-9d1e-3a7b5e2f0a11}"));
    ASSERT_TRUE(device.SetMultiString(L"HardwareID", { L"USB\\VID_F055&PID_0E65" }));
    CRegistryDevice conflicting(L"USB", L"VID_F055&PID_0E68");
    ASSERT_TRUE(conflicting.IsDefined());
    ASSERT_TRUE(DefineConflictingMtpDevice(conflicting));
    const auto infBefore = InfFolderFiles();

    const std::wstring strList = m_dir.File(L"list.txt");
    const std::wstring strInf = m_dir.File(L"tvemu-a.inf");
    const struct
    {
        std::wstring strTail;
        DWORD cRefused; // package calls refused; 0 for the repair
    } cases[] = {
        { L"/i /q /l \"" + strList + L"\"", 2 },
        { L"/p /q /l \"" + strList + L"\"", 2 },
        { L"/u /q /l \"" + strList + L"\"", 2 },
        { L"/c /q /l \"" + strList + L"\"", 2 },
        { L"/i /q /s \"" + strInf + L"\"", 1 },
        { L"/f rezuv /q", 0 },
    };
    for (const auto& c : cases) {
        RUN_SUMMARY summary = {};
        const std::string strLog = Run(c.strTail, &summary);
        SCOPED_TRACE(Narrow(c.strTail) + "\n" + strLog);
        EXPECT_NE(strLog.find("emulated on an ARM64 machine"), std::string::npos);
        EXPECT_NE(strLog.find("run the ARM64 build"), std::string::npos);
        EXPECT_NE(strLog.find("E0000235"), std::string::npos);
        EXPECT_EQ(SummaryExitCode(summary), c_dwInWow64);
        if (c.cRefused) {
            EXPECT_EQ(summary.cTried, c.cRefused);
            EXPECT_EQ(summary.cFailed, c.cRefused);
            EXPECT_EQ(summary.dwFirstFailure, c_dwInWow64);
        } else {
            EXPECT_EQ(summary.dwOperationError, c_dwInWow64);
        }
        EXPECT_EQ(InfFolderFiles(), infBefore);
        EXPECT_TRUE(device.Exists());
        EXPECT_TRUE(conflicting.Exists()) << "the repair removed a device";
    }
}

// /v of the emulated x64 build answers for ARM64: the ARM64-only package
// names its devices, the x64-only one names none.
TEST_F(EmulatedRuns, VerifyChecksForTheMachine)
{
    const struct
    {
        USHORT usNative;
        LPCWSTR pszInf;
        bool bNoDevice;
        const char* pszMachine;
    } cases[] = {
        { 0xAA64, L"tvemu-arm.inf", false, "ARM64" },
        { 0xAA64, L"tvemu-a.inf", true, "ARM64" },
        { 0x8664, L"tvemu-arm.inf", true, "x64" },
        { 0x8664, L"tvemu-a.inf", false, "x64" },
    };
    for (const auto& c : cases) {
        CPlayedMachine played(c.usNative);
        RUN_SUMMARY summary = {};
        const std::string strLog = Run(L"/v /q /s \"" + m_dir.File(c.pszInf) + L"\"", &summary);
        SCOPED_TRACE(Narrow(c.pszInf) + " on " + c.pszMachine + "\n" + strLog);
        const std::string strNoDevice = std::string("no models section for ") + c.pszMachine;
        EXPECT_EQ(strLog.find(strNoDevice) != std::string::npos, c.bNoDevice);
        EXPECT_EQ(strLog.find("E0000301") != std::string::npos, c.bNoDevice);
        if (c.bNoDevice) {
            EXPECT_EQ(summary.dwFirstFailure, c_dwNoDeviceId);
        }
        EXPECT_EQ(strLog.find("E0000235"), std::string::npos) << "/v is never refused";
        EXPECT_EQ(strLog.find("checked for ARM64") != std::string::npos, c.usNative == 0xAA64);
    }
}

} // namespace
