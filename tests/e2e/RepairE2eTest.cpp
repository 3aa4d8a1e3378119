// The conflict repair through the real program: /f rezuv removes exactly the
// conflicting devices of a prepared registry, quietly or behind the dialog.
#include <gtest/gtest.h>

#include "DeviceTest.h"
#include "E2eTexts.h"
#include "ProgramRun.h"
#include "UsbDeviceRegistry.h"

namespace {

struct Devices
{
    CRegistryDevice conflicting1{ L"USB", L"VID_7A7A&PID_E2E1" };
    CRegistryDevice conflicting2{ L"USB", L"VID_7A7A&PID_E2E2" };
    CRegistryDevice ownMtpId{ L"USB", L"VID_7A7A&PID_E2E3" };
    CRegistryDevice otherMaker{ L"USB", L"VID_7A7A&PID_E2E4" };

    bool Define()
    {
        if (!DefineConflictingMtpDevice(conflicting1) || !DefineConflictingMtpDevice(conflicting2) ||
            !DefineConflictingMtpDevice(ownMtpId) || !DefineConflictingMtpDevice(otherMaker))
            return false;
        // Asked for the generic driver itself: not a conflict.
        if (!ownMtpId.SetMultiString(L"HardwareID", { L"USB\\VID_7A7A&PID_E2E3", L"USB\\MS_COMP_MTP" }))
            return false;
        return otherMaker.SetString(L"Mfg", L"Rezuv Corporation");
    }
};

void ExpectOnlyConflictsRemoved(const Devices& d)
{
    EXPECT_FALSE(d.conflicting1.Exists());
    EXPECT_FALSE(d.conflicting2.Exists());
    EXPECT_TRUE(d.ownMtpId.Exists());
    EXPECT_TRUE(d.otherMaker.Exists());
}

class RepairRoad : public CDeviceTest
{
};

TEST_F(RepairRoad, QuietRepairRemovesExactlyTheConflictingDevices)
{
    Devices d;
    ASSERT_TRUE(d.Define());
    CProgramRun run;
    ASSERT_TRUE(run.IsReady());
    EXPECT_EQ(run.RunToEnd(L"/f rezuv /q /e", c_msStart), 0u);
    ExpectOnlyConflictsRemoved(d);
    // No package call on the way.
    for (const std::string& strLine : run.Journal())
        EXPECT_EQ(strLine.find("DriverPackage"), std::string::npos) << strLine;
}

TEST_F(RepairRoad, RepairBehindTheDialogRemovesThemToo)
{
    Devices d;
    ASSERT_TRUE(d.Define());
    CProgramRun run;
    ASSERT_TRUE(run.IsReady());
    // The dialog shows the install template, then closes by itself: the
    // teardown is held until the test has read it.
    ASSERT_TRUE(run.Hold(false, true));
    ASSERT_TRUE(run.Start(L"/f rezuv /s ignored.inf"));
    HWND hDlg = run.WaitForWindow(c_szProgressCaption, c_msStart);
    ASSERT_NE(hDlg, nullptr);
    // Unless another test program's run holds the package-call lock.
    const std::wstring strStatus = ItemText(hDlg, 1003);
    EXPECT_TRUE(strStatus == c_szInstalling || strStatus == c_szWaiting) << Narrow(strStatus);
    run.Release();
    DWORD dwExit = 1;
    ASSERT_TRUE(run.Wait(c_msStart, &dwExit));
    EXPECT_EQ(dwExit, 0u);
    ExpectOnlyConflictsRemoved(d);
}

TEST_F(RepairRoad, WithoutAVendorNothingIsRemoved)
{
    Devices d;
    ASSERT_TRUE(d.Define());
    CProgramRun run;
    ASSERT_TRUE(run.IsReady());
    EXPECT_EQ(run.RunToEnd(L"/q /f", c_msStart), 0u);
    EXPECT_TRUE(d.conflicting1.Exists());
    EXPECT_TRUE(d.conflicting2.Exists());
}

} // namespace
