// Test devices that a killed run left in the prefix: the next test that
// defines devices clears them first, and Wine's own devices stay.
#include <gtest/gtest.h>

#include "DeviceSet.h"
#include "DeviceTest.h"
#include "UsbDeviceRegistry.h"

namespace {

// Subkeys of HKLM\System\CurrentControlSet\Enum\<strRelative>; 0 when absent.
DWORD EnumSubkeyCount(const std::wstring& strRelative)
{
    HKEY hKey = nullptr;
    const std::wstring strPath = L"System\\CurrentControlSet\\Enum\\" + strRelative;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, strPath.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return 0;
    DWORD cSubkeys = 0;
    RegQueryInfoKeyW(hKey, nullptr, nullptr, nullptr, &cSubkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr);
    RegCloseKey(hKey);
    return cSubkeys;
}

// Devices defined and then abandoned, as a run killed in the middle leaves them.
void LeaveStrayDevice(const std::wstring& strEnumerator, const std::wstring& strDeviceId,
                      const std::wstring& strInstance, bool bConflict)
{
    CRegistryDevice device(strEnumerator, strDeviceId, strInstance);
    ASSERT_TRUE(device.IsDefined());
    ASSERT_TRUE(DefineConflictingMtpDevice(device));
    if (!bConflict) {
        ASSERT_TRUE(device.SetString(L"Mfg", L"Rezuv Corporation"));
    }
    device.Abandon();
}

class LeftOverDevices : public CDeviceTest
{
};

TEST_F(LeftOverDevices, AreClearedBeforeTheNextTestAndWineDevicesStay)
{
    const DWORD cPci = EnumSubkeyCount(L"PCI");
    const DWORD cHid = EnumSubkeyCount(L"HID");
    ASSERT_NO_FATAL_FAILURE(LeaveStrayDevice(L"USB", L"VID_7A7A&PID_0DE0", L"7&7A7A&0&1", false));
    ASSERT_NO_FATAL_FAILURE(LeaveStrayDevice(L"USB", L"VID_7A7A&PID_0DE0", L"7&7A7A&0&2", true));
    ASSERT_NO_FATAL_FAILURE(LeaveStrayDevice(L"USB", L"VID_7A7A&PID_0DE1", L"7&7A7A&0&1", false));
    ASSERT_NO_FATAL_FAILURE(LeaveStrayDevice(L"PCI", L"VEN_7A7A&DEV_0DE2", L"3&7A7A&0&1", false));
    ASSERT_TRUE(CUsbDeviceSet().Contains(L"USB\\VID_7A7A&PID_0DE1\\7&7A7A&0&1")) << "Wine does not list the stray";

    // What the next test's fixture does first.
    CDeviceTest::SetUp();
    EXPECT_EQ(CountTestDeviceKeys(), 0u);
    EXPECT_FALSE(EnumKeyExists(L"USB"));
    EXPECT_FALSE(CUsbDeviceSet().Contains(L"USB\\VID_7A7A&PID_0DE1\\7&7A7A&0&1"));
    EXPECT_EQ(EnumSubkeyCount(L"PCI"), cPci);
    EXPECT_EQ(EnumSubkeyCount(L"HID"), cHid);
}

} // namespace
