// The machine's architecture in every INF decision, as a parameter: nothing
// here runs an ARM64 program, so the ARM64 machine is played by an injected
// native-machine call or passed in directly, and the decisions are read from
// real INF files through Wine's SetupAPI.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "inf/InfFile.h"
#include "inf/MachineArchitecture.h"
#include "inf/ModelsDecoration.h"
#include "inf/PackageCatalog.h"
#include "inf/InstallSection.h"
#include "inf/PackageDeviceIds.h"
#include "support/PlayedMachine.h"
#include "support/TestFiles.h"

namespace {

const OS_TARGET c_win11 = { 10, 0, 22621, VER_NT_WORKSTATION, 0x100 };
const OS_TARGET c_win10_15063 = { 10, 0, 15063, VER_NT_WORKSTATION, 0x100 };

const USHORT c_usArm64 = 0xAA64;
const USHORT c_usAmd64 = 0x8664;
const USHORT c_usX86 = 0x014C;

LPCWSTR Name(EMachineArchitecture architecture)
{
    return architecture == machineArm64 ? L"arm64" : L"amd64";
}

TEST(MachineArchitecture, TheNativeMachineDecidesElseTheBuild)
{
    ASSERT_EQ(BuildArchitecture(), machineAmd64) << "the tests are an x64 build";
    EXPECT_EQ(MachineArchitecture(), machineAmd64) << "Wine on x86-64";
    EXPECT_FALSE(RunsEmulated());
    const struct
    {
        bool bCallPresent;
        USHORT usNative;
        EMachineArchitecture expected;
    } cases[] = {
        { true, c_usArm64, machineArm64 }, { true, c_usAmd64, machineAmd64 },
        // A machine this build knows no sections for, a failing call and a
        // system without the call (before Windows 10 1709) leave the build's.
        { true, c_usX86, machineAmd64 },
        { true, 0, machineAmd64 },
        { false, c_usArm64, machineAmd64 },
    };
    for (const auto& c : cases) {
        CPlayedMachine played(c.usNative);
        if (!c.bCallPresent)
            MachineArchitectureApi().pfnIsWow64Process2 = nullptr;
        EXPECT_EQ(MachineArchitecture(), c.expected) << std::hex << c.usNative << " " << c.bCallPresent;
        EXPECT_EQ(RunsEmulated(), c.expected != machineAmd64);
    }
    EXPECT_EQ(MachineArchitecture(), machineAmd64) << "the real call is back";
}

TEST(MachineArchitecture, ModelsChoiceFollowsTheArchitecture)
{
    const struct
    {
        std::vector<LPCWSTR> decorations;
        OS_TARGET os;
        int iAmd64;
        int iArm64;
    } cases[] = {
        // ARM64 only: no models for x64.
        { { L"NTarm64" }, c_win11, -1, 0 },
        { { L"NTARM64" }, c_win11, -1, 0 },
        // Mixed, in either order.
        { { L"NTamd64", L"NTarm64" }, c_win11, 0, 1 },
        { { L"NTarm64", L"NTamd64" }, c_win11, 1, 0 },
        { { L"NTx86", L"NTarm64", L"NTamd64", L"NTarm" }, c_win11, 2, 1 },
        // Undecorated and architecture-less sections count on neither.
        { { L"NT", L"", L"NT.10.0" }, c_win11, -1, -1 },
        // Build-number decorations: the highest one the system meets.
        { { L"NTarm64", L"NTarm64.10.0...16299", L"NTamd64.10.0...16299" }, c_win11, 2, 1 },
        { { L"NTarm64", L"NTarm64.10.0...16299", L"NTamd64.10.0...16299" }, c_win10_15063, -1, 0 },
        { { L"NTarm64.10.0...22000", L"NTarm64.10.0...17763" }, c_win11, -1, 0 },
        // Only the exact architecture: no prefix or longer spelling.
        { { L"NTarm", L"NTarm64x", L"NTaarch64", L"NTarm64ec" }, c_win11, -1, -1 },
    };
    for (const auto& c : cases) {
        for (EMachineArchitecture architecture : { machineAmd64, machineArm64 }) {
            const int iExpected = architecture == machineArm64 ? c.iArm64 : c.iAmd64;
            EXPECT_EQ(ChooseModelsDecoration(c.decorations.data(), static_cast<int>(c.decorations.size()), c.os,
                                             architecture),
                      iExpected)
                << Narrow(Name(architecture)) << " " << Narrow(c.decorations[0]);
        }
    }
}

// A package of a few sections, written and opened for each case.
class InfCase
{
public:
    explicit InfCase(const std::string& strBody)
    {
        m_bWritten = WriteFileBytes(m_dir.File(L"p.inf"),
                                    "[Version]\r\nSignature=\"$Windows NT$\"\r\n" + strBody + "\r\n[Strings]\r\n");
        m_dwOpen = m_bWritten ? OpenPackageInf(m_dir.File(L"p.inf").c_str(), &m_inf) : ERROR_WRITE_FAULT;
    }
    bool IsOpen() const { return m_dwOpen == ERROR_SUCCESS; }
    HINF Get() const { return m_inf.Get(); }

private:
    CScratchDir m_dir;
    CInfFile m_inf;
    bool m_bWritten = false;
    DWORD m_dwOpen = ERROR_INVALID_FUNCTION;
};

TEST(MachineArchitecture, CatalogKeyFollowsTheArchitecture)
{
    const struct
    {
        const char* pszVersion; // lines added to [Version]
        const wchar_t* pszAmd64;
        const wchar_t* pszArm64;
    } cases[] = {
        { "CatalogFile.NTamd64=x.cat\r\nCatalogFile.NTarm64=a.cat\r\nCatalogFile=p.cat\r\n", L"x.cat", L"a.cat" },
        { "CatalogFile.NTarm64=a.cat\r\nCatalogFile.NT=nt.cat\r\n", L"nt.cat", L"a.cat" },
        { "CatalogFile.NTamd64=x.cat\r\nCatalogFile.NT=nt.cat\r\n", L"x.cat", L"nt.cat" },
        { "CatalogFile.NTamd64=x.cat\r\nCatalogFile=p.cat\r\n", L"x.cat", L"p.cat" },
        { "CatalogFile.NTarm64=a.cat\r\n", L"", L"a.cat" },
        { "CatalogFile=p.cat\r\n", L"p.cat", L"p.cat" },
        { "CatalogFile.NTx86=x86.cat\r\nCatalogFile.NTarm=arm.cat\r\n", L"", L"" },
        { "", L"", L"" },
    };
    for (const auto& c : cases) {
        InfCase inf(c.pszVersion);
        ASSERT_TRUE(inf.IsOpen()) << c.pszVersion;
        for (EMachineArchitecture architecture : { machineAmd64, machineArm64 }) {
            WCHAR sz[MAX_PATH] = {};
            const bool bFound = PackageCatalogName(inf.Get(), sz, ARRAYSIZE(sz), architecture);
            EXPECT_EQ(bFound ? std::wstring(sz) : L"", architecture == machineArm64 ? c.pszArm64 : c.pszAmd64)
                << Narrow(Name(architecture)) << ": " << c.pszVersion;
        }
    }
    EXPECT_STREQ(ArchitectureCatalogKey(machineArm64), L"CatalogFile.NTarm64");
    EXPECT_STREQ(ArchitectureCatalogKey(machineAmd64), L"CatalogFile.NTamd64");
}

TEST(MachineArchitecture, InstallSectionDecorationFollowsTheArchitecture)
{
    InfCase inf("[Both.NTamd64]\r\nx=1\r\n[Both.NTarm64]\r\nx=1\r\n[Both.NT]\r\nx=1\r\n"
                "[Arm.NTarm64]\r\nx=1\r\n[Arm]\r\nx=1\r\n"
                "[X64.NTamd64]\r\nx=1\r\n"
                "[ArmOnly.NTarm64]\r\nx=1\r\n"
                "[Nt.NT]\r\nx=1\r\n[Plain]\r\nx=1\r\n[Old.NTarm]\r\nx=1\r\n");
    ASSERT_TRUE(inf.IsOpen());
    const wchar_t* const cases[][3] = {
        // section, amd64, arm64
        { L"Both", L"Both.NTamd64", L"Both.NTarm64" },
        { L"Arm", L"Arm", L"Arm.NTarm64" },
        { L"X64", L"X64.NTamd64", L"" },
        { L"ArmOnly", L"", L"ArmOnly.NTarm64" },
        { L"Nt", L"Nt.NT", L"Nt.NT" },
        { L"Plain", L"Plain", L"Plain" },
        { L"Old", L"", L"" },
    };
    for (const auto& c : cases) {
        for (EMachineArchitecture architecture : { machineAmd64, machineArm64 }) {
            WCHAR sz[64] = {};
            const bool bFound = ActualInstallSection(inf.Get(), c[0], sz, ARRAYSIZE(sz), architecture);
            EXPECT_EQ(bFound ? std::wstring(sz) : L"", c[architecture == machineArm64 ? 2 : 1])
                << Narrow(Name(architecture)) << ": " << Narrow(c[0]);
        }
    }
    // Too small a buffer is refused, not overrun.
    WCHAR szSmall[8] = {};
    EXPECT_FALSE(ActualInstallSection(inf.Get(), L"ArmOnly", szSmall, ARRAYSIZE(szSmall), machineArm64));
}

// The helpers without an explicit architecture take the machine's: what the
// native provider and /v read.
TEST(MachineArchitecture, DefaultsComeFromTheMachine)
{
    InfCase inf("CatalogFile.NTamd64=x.cat\r\nCatalogFile.NTarm64=a.cat\r\n"
                "[Manufacturer]\r\nM = Models, NTamd64, NTarm64\r\n"
                "[Models.NTamd64]\r\nD = Dev, USB\\VID_F055&PID_0A64\r\n"
                "[Models.NTarm64]\r\nD = Dev, USB\\VID_F055&PID_AA64, USB\\Class_FF\r\n"
                "[Dev.NTamd64]\r\nx=1\r\n[Dev.NTarm64]\r\nx=1\r\n");
    ASSERT_TRUE(inf.IsOpen());
    for (USHORT usNative : { c_usAmd64, c_usArm64 }) {
        CPlayedMachine played(usNative);
        const bool bArm = usNative == c_usArm64;
        WCHAR sz[MAX_PATH] = {};
        ASSERT_TRUE(PackageCatalogName(inf.Get(), sz, ARRAYSIZE(sz)));
        EXPECT_STREQ(sz, bArm ? L"a.cat" : L"x.cat");
        ASSERT_TRUE(ActualInstallSection(inf.Get(), L"Dev", sz, ARRAYSIZE(sz)));
        EXPECT_STREQ(sz, bArm ? L"Dev.NTarm64" : L"Dev.NTamd64");
        CDeviceIdList ids;
        ASSERT_EQ(ReadPackageDeviceIds(inf.Get(), &ids), 0u);
        std::vector<std::wstring> got;
        for (LPCWSTR psz = ids.First(); psz; psz = ids.Next(psz))
            got.push_back(psz);
        EXPECT_EQ(got, bArm ? (std::vector<std::wstring>{ L"USB\\VID_F055&PID_AA64", L"USB\\Class_FF" })
                            : (std::vector<std::wstring>{ L"USB\\VID_F055&PID_0A64" }));
        EXPECT_STREQ(ArchitectureName(MachineArchitecture()), bArm ? L"ARM64" : L"x64");
        EXPECT_STREQ(ArchitectureDecoration(MachineArchitecture()), bArm ? L"arm64" : L"amd64");
    }
}

} // namespace
