// Test devices that a killed run left in the prefix: the next test that
// defines devices clears them first, and Wine's own devices stay.
#include <gtest/gtest.h>

#include "DeviceSet.h"
#include "DeviceTest.h"

namespace {

// Subkeys of HKLM\System\CurrentControlSet\Enum\<strRelative>; 0 when absent.
DWORD EnumSubkeyCount(const std::wstring& strRelative)
{
    DWORD cSubkeys = 0;
    const std::wstring strPath = L"System\\CurrentControlSet\\Enum\\" + strRelative;
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, strPath.c_str(), 0, KEY_READ, &hKey) == ERROR_SUCCESS) {
        RegQueryInfoKeyW(hKey, nullptr, nullptr, nullptr, &cSubkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr);
        RegCloseKey(hKey);
    }
    return cSubkeys;
}

class LeftOverDevices : public CDeviceTest
{
};

TEST_F(LeftOverDevices, AreClearedBeforeTheNextTestAndWineDevicesStay)
{
    const DWORD cPci = EnumSubkeyCount(L"PCI");
    const DWORD cHid = EnumSubkeyCount(L"HID");
    // Defined and abandoned, as a run killed in the middle leaves them.
    for (const wchar_t* pszInstance : { L"7&7A7A&0&1", L"7&7A7A&0&2" }) {
        CRegistryDevice usb(L"USB", L"VID_7A7A&PID_0DE0", pszInstance);
        CRegistryDevice pci(L"PCI", L"VEN_7A7A&DEV_0DE0", pszInstance);
        ASSERT_TRUE(usb.IsDefined() && pci.IsDefined());
        ASSERT_TRUE(usb.SetString(L"Mfg", L"Rezuv Corporation"));
        usb.Abandon();
        pci.Abandon();
    }
    ASSERT_TRUE(CUsbDeviceSet().Contains(L"USB\\VID_7A7A&PID_0DE0\\7&7A7A&0&2")) << "Wine does not list the stray";

    // What the next test's fixture does first.
    CDeviceTest::SetUp();
    EXPECT_EQ(CountTestDeviceKeys(), 0u);
    EXPECT_FALSE(EnumKeyExists(L"USB"));
    EXPECT_EQ(EnumSubkeyCount(L"PCI"), cPci);
    EXPECT_EQ(EnumSubkeyCount(L"HID"), cHid);
}

} // namespace
