// The repair's device information set is released at the end of every run.
#include <gtest/gtest.h>

#include "DeviceSet.h"
#include "DeviceTest.h"
#include "UsbDeviceRegistry.h"
#include "devfix/MtpConflict.h"

namespace {

// Bytes in blocks in use, over every heap of the process.
long long HeapBytesInUse()
{
    HANDLE ahHeaps[256];
    DWORD cHeaps = GetProcessHeaps(256, ahHeaps);
    if (cHeaps > 256)
        cHeaps = 256;
    long long cbInUse = 0;
    for (DWORD i = 0; i < cHeaps; ++i) {
        if (!HeapLock(ahHeaps[i]))
            continue;
        PROCESS_HEAP_ENTRY entry;
        ZeroMemory(&entry, sizeof(entry));
        while (HeapWalk(ahHeaps[i], &entry)) {
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
                cbInUse += entry.cbData;
        }
        HeapUnlock(ahHeaps[i]);
    }
    return cbInUse;
}

class DeviceInfoSetLifetime : public CDeviceTest
{
};

TEST_F(DeviceInfoSetLifetime, RepairRunsLeaveNoSetBehind)
{
    CRegistryDevice first(L"USB", L"VID_7A7A&PID_0300");
    CRegistryDevice second(L"USB", L"VID_7A7A&PID_0301");
    ASSERT_TRUE(first.IsDefined() && second.IsDefined());
    ASSERT_TRUE(first.SetString(L"Mfg", L"Rezuv"));
    ASSERT_TRUE(second.SetString(L"Mfg", L"Rezuv"));
    FixMtpDriverConflict();

    // What one set of these devices takes while it is kept.
    long long cbOneSet = 0;
    {
        const long long cbWithout = HeapBytesInUse();
        CUsbDeviceSet kept;
        ASSERT_TRUE(kept.Contains(first.InstanceId()));
        cbOneSet = HeapBytesInUse() - cbWithout;
    }
    ASSERT_GT(cbOneSet, 0);

    const int cRuns = 50;
    const long long cbBefore = HeapBytesInUse();
    for (int i = 0; i < cRuns; ++i)
        FixMtpDriverConflict();
    const long long cbGrowth = HeapBytesInUse() - cbBefore;
    EXPECT_LT(cbGrowth, cbOneSet) << "one set takes " << cbOneSet << " bytes";
    EXPECT_TRUE(first.Exists() && second.Exists());
}

} // namespace
