// The bounded join of two texts: exactly what fits, never a cut text.
#include <gtest/gtest.h>

#include <cwchar>

#include "platform/BoundedFormat.h"

TEST(BoundedText, AJoinIsWholeOrRefusedAndNeverWritesPastItsBuffer)
{
    const struct
    {
        const wchar_t* pszFirst;
        const wchar_t* pszSecond;
        size_t cchBuffer;
        const wchar_t* pszJoined; // nullptr: refused
    } cases[] = {
        { L"C:\\Windows\\INF\\", L"oem12.inf", 32, L"C:\\Windows\\INF\\oem12.inf" },
        { L"Install", L".CoInstallers", 21, L"Install.CoInstallers" },    // the terminator just fits
        { L"Install", L".CoInstallers", 20, nullptr },                    // one unit short
        { L"", L"", 1, L"" },
        { L"abc", L"", 4, L"abc" },
        { L"abc", L"", 3, nullptr },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cchBuffer);
        wchar_t szBuffer[40];
        wmemset(szBuffer, L'#', 40);
        const bool bJoined = JoinBounded(c.pszFirst, c.pszSecond, szBuffer, c.cchBuffer);
        EXPECT_EQ(bJoined, c.pszJoined != nullptr);
        if (c.pszJoined) {
            EXPECT_STREQ(szBuffer, c.pszJoined);
        }
        for (size_t i = c.cchBuffer; i < 40; ++i)
            ASSERT_EQ(szBuffer[i], L'#') << "written past the buffer at " << i;
    }
}
