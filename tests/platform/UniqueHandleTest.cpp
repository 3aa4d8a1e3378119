// The one handle template: what it closes, when, and how often.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "devfix/DeviceInfoSet.h"
#include "platform/UniqueHandle.h"
#include "support/TestFiles.h"

namespace {

std::vector<int> g_closed;

// Handles are plain numbers here; -1 is the failure value.
struct CNumberTraits
{
    static int Invalid() { return -1; }
    static void Close(int h) { g_closed.push_back(h); }
};
using CNumber = CUniqueHandle<int, CNumberTraits>;

class UniqueHandle : public ::testing::Test
{
protected:
    void SetUp() override { g_closed.clear(); }
};

TEST_F(UniqueHandle, ClosesItsHandleOnceWhenItGoes)
{
    {
        CNumber h(7);
        EXPECT_TRUE(h.IsValid());
        EXPECT_EQ(h.Get(), 7);
    }
    EXPECT_EQ(g_closed, (std::vector<int>{ 7 }));
}

TEST_F(UniqueHandle, NeverClosesTheFailureValue)
{
    {
        CNumber none;
        CNumber failed(-1);
        EXPECT_FALSE(none.IsValid());
        EXPECT_FALSE(failed.IsValid());
        failed.Reset();
    }
    EXPECT_TRUE(g_closed.empty());
}

TEST_F(UniqueHandle, ResetClosesThePreviousHandleFirst)
{
    CNumber h(1);
    h.Reset(2);
    EXPECT_EQ(g_closed, (std::vector<int>{ 1 }));
    h.Reset();
    EXPECT_EQ(g_closed, (std::vector<int>{ 1, 2 }));
    EXPECT_FALSE(h.IsValid());
}

TEST_F(UniqueHandle, DetachHandsTheHandleOverUnclosed)
{
    int nHandle = 0;
    {
        CNumber h(5);
        nHandle = h.Detach();
        EXPECT_FALSE(h.IsValid());
    }
    EXPECT_EQ(nHandle, 5);
    EXPECT_TRUE(g_closed.empty());
}

TEST_F(UniqueHandle, MovingPassesOwnershipAndClosesWhatTheTargetHeld)
{
    {
        CNumber a(1);
        CNumber b(std::move(a));
        EXPECT_FALSE(a.IsValid());
        CNumber c(3);
        c = std::move(b);
        EXPECT_EQ(g_closed, (std::vector<int>{ 3 }));
        EXPECT_EQ(c.Get(), 1);
        c = std::move(c);
        EXPECT_EQ(c.Get(), 1);
    }
    EXPECT_EQ(g_closed, (std::vector<int>{ 3, 1 }));
}

TEST(UniqueHandleAliases, FileIsClosedAtTheEndOfItsScope)
{
    CScratchDir dir;
    const std::wstring strPath = dir.File(L"held.bin");
    {
        CFileHandle file(CreateFileW(strPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        ASSERT_TRUE(file.IsValid());
        // Opened without sharing: nobody else gets in while it is held.
        CFileHandle other(CreateFileW(strPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        EXPECT_FALSE(other.IsValid());
    }
    CFileHandle again(CreateFileW(strPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(again.IsValid());
}

TEST(UniqueHandleAliases, FailedDeviceSetIsNotValid)
{
    // Neither a class nor DIGCF_ALLCLASSES: SetupAPI fails with INVALID_HANDLE_VALUE.
    CDeviceInfoSet devices(SetupDiGetClassDevsW(nullptr, nullptr, nullptr, 0));
    EXPECT_FALSE(devices.IsValid());
    CDeviceInfoSet empty(SetupDiCreateDeviceInfoList(nullptr, nullptr));
    EXPECT_TRUE(empty.IsValid());
}

} // namespace
