// The one handle template: what it closes, when, and how often.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

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

TEST(UniqueHandle, ClosesEachValidHandleOnceAndTheFailureValueNever)
{
    g_closed.clear();
    {
        CNumber failed(-1);
        CNumber h(1);
        h.Reset(2);
        EXPECT_EQ(g_closed, (std::vector<int>{ 1 }));
        EXPECT_FALSE(failed.IsValid());
        EXPECT_EQ(h.Get(), 2);
    }
    EXPECT_EQ(g_closed, (std::vector<int>{ 1, 2 }));
}

TEST(UniqueHandle, DetachAndMoveHandOverWithoutClosing)
{
    g_closed.clear();
    {
        CNumber a(1);
        EXPECT_EQ(a.Detach(), 1);
        EXPECT_FALSE(a.IsValid());
        CNumber b(2);
        CNumber c(std::move(b));
        CNumber d(3);
        d = std::move(c);
        EXPECT_FALSE(b.IsValid());
        EXPECT_EQ(d.Get(), 2);
        EXPECT_EQ(g_closed, (std::vector<int>{ 3 }));
    }
    EXPECT_EQ(g_closed, (std::vector<int>{ 3, 2 }));
}

TEST(UniqueHandle, FileIsClosedAtTheEndOfItsScope)
{
    CScratchDir dir;
    const std::wstring strPath = dir.File(L"held.bin");
    {
        // Opened without sharing: nobody else gets in while it is held.
        CFileHandle file(CreateFileW(strPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        ASSERT_TRUE(file.IsValid());
        EXPECT_FALSE(CFileHandle(CreateFileW(strPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                             0, nullptr)).IsValid());
    }
    EXPECT_TRUE(CFileHandle(CreateFileW(strPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)).IsValid());
}

} // namespace
