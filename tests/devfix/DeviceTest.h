#pragma once

#include <gtest/gtest.h>

#include "UsbDeviceRegistry.h"

// The base of every test that defines devices or runs the repair over them:
// it starts from a prefix without test devices, whatever an earlier run that
// was killed left behind. The programs that use it hold the ctest lock
// wine_usb_devices, so no other program's devices are cleared meanwhile.
class CDeviceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ClearTestDevices()) << CountTestDeviceKeys() << " test device keys could not be cleared";
    }
};
