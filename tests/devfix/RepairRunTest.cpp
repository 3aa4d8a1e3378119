// Whole repair runs over several devices, other enumerators and none at all.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "DeviceSet.h"
#include "DeviceTest.h"
#include "UsbDeviceRegistry.h"
#include "devfix/MtpConflict.h"
#include "support/TestFiles.h"

namespace {

// Rezuv devices of one model on the ports of one hub: one device id, one
// instance each. bConflict: defined so that the repair removes it.
class CDeviceRow
{
public:
    CDeviceRow(const std::wstring& strEnumerator, const std::wstring& strDeviceId, const std::vector<bool>& conflicts)
    {
        for (size_t i = 0; i < conflicts.size(); ++i) {
            m_devices.emplace_back(new CRegistryDevice(strEnumerator, strDeviceId, L"7&7A7A&0&" + std::to_wstring(i + 1)));
            CRegistryDevice& device = *m_devices.back();
            m_bDefined = m_bDefined && device.IsDefined() && DefineConflictingMtpDevice(device)
                && (conflicts[i] || device.SetString(L"Mfg", L"Rezuv Corporation"));
        }
    }

    bool IsDefined() const { return m_bDefined; }
    CRegistryDevice& operator[](size_t i) { return *m_devices[i]; }
    size_t Size() const { return m_devices.size(); }

private:
    std::vector<std::unique_ptr<CRegistryDevice>> m_devices;
    bool m_bDefined = true;
};

class RepairRun : public CDeviceTest
{
};

TEST_F(RepairRun, RemovesEveryConflictingDeviceOfARow)
{
    CDeviceRow row(L"USB", L"VID_7A7A&PID_0001", { true, true, true, true });
    ASSERT_TRUE(row.IsDefined());
    EXPECT_EQ(FixMtpDriverConflict(), 0u);
    for (size_t i = 0; i < row.Size(); ++i)
        EXPECT_FALSE(row[i].Exists()) << "device " << i;
}

TEST_F(RepairRun, RemovesConflictsAndKeepsTheOthersWhenTheyAlternate)
{
    const std::vector<bool> conflicts = { true, false, true, true, false, true };
    CDeviceRow row(L"USB", L"VID_7A7A&PID_0002", conflicts);
    ASSERT_TRUE(row.IsDefined());
    FixMtpDriverConflict();
    for (size_t i = 0; i < row.Size(); ++i)
        EXPECT_EQ(row[i].Exists(), !conflicts[i]) << "device " << i;
}

TEST_F(RepairRun, RemovesConflictsOfSeveralModels)
{
    CDeviceRow first(L"USB", L"VID_7A7A&PID_0003", { true, false });
    CDeviceRow second(L"USB", L"VID_7A7A&PID_0004", { false, true });
    ASSERT_TRUE(first.IsDefined() && second.IsDefined());
    FixMtpDriverConflict();
    EXPECT_FALSE(first[0].Exists());
    EXPECT_TRUE(first[1].Exists());
    EXPECT_TRUE(second[0].Exists());
    EXPECT_FALSE(second[1].Exists());
}

TEST_F(RepairRun, LeavesConflictingDevicesOfOtherEnumeratorsAlone)
{
    // USBSTOR begins like USB; HID and PCI hold Wine's own devices as well.
    for (const wchar_t* pszEnumerator : { L"USBSTOR", L"HID", L"PCI" }) {
        SCOPED_TRACE("enumerator " + Narrow(pszEnumerator));
        CRegistryDevice device(pszEnumerator, L"VID_7A7A&PID_0005");
        ASSERT_TRUE(device.IsDefined());
        ASSERT_TRUE(DefineConflictingMtpDevice(device));
        FixMtpDriverConflict();
        EXPECT_TRUE(device.Exists());
    }
}

TEST_F(RepairRun, RepeatedRunsFindNothingLeftToRemove)
{
    CDeviceRow row(L"USB", L"VID_7A7A&PID_0006", { true, false });
    ASSERT_TRUE(row.IsDefined());
    FixMtpDriverConflict();
    FixMtpDriverConflict();
    EXPECT_FALSE(row[0].Exists());
    EXPECT_TRUE(row[1].Exists());
}

TEST_F(RepairRun, WithoutAnyUsbDeviceSucceedsAndLeavesTheOthers)
{
    // Wine's prefix has no USB device, and the fixture cleared any test
    // device: an empty list is no failure, and a conflicting device under
    // another enumerator stays.
    ASSERT_FALSE(EnumKeyExists(L"USB")) << "a USB device is left in the prefix";
    CRegistryDevice hid(L"HID", L"VID_7A7A&PID_0008");
    ASSERT_TRUE(hid.IsDefined() && DefineConflictingMtpDevice(hid));
    EXPECT_EQ(FixMtpDriverConflict(), 0u);
    EXPECT_TRUE(hid.Exists());
}

TEST_F(RepairRun, WithoutRezuvMtpDevicesKeepsEveryUsbDevice)
{
    CRegistryDevice other(L"USB", L"VID_0BDA&PID_0129", L"20100201396000000");
    ASSERT_TRUE(other.IsDefined());
    ASSERT_TRUE(other.SetString(L"Mfg", L"Generic"));
    ASSERT_TRUE(other.SetString(L"Service", L"USBSTOR"));
    ASSERT_TRUE(other.SetMultiString(L"HardwareID", { L"USB\\VID_0BDA&PID_0129" }));
    ASSERT_TRUE(other.SetMultiString(L"CompatibleIDs", { L"USB\\Class_08&SubClass_06&Prot_50", L"USB\\Class_08" }));
    CRegistryDevice bare(L"USB", L"VID_7A7A&PID_0007");
    ASSERT_TRUE(bare.IsDefined());

    EXPECT_EQ(FixMtpDriverConflict(), 0u);
    EXPECT_TRUE(other.Exists());
    EXPECT_TRUE(bare.Exists());
}

} // namespace
