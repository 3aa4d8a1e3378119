// The owned copy of a command-line value, above all when it is given a text
// that lies in its own buffer.
#include <gtest/gtest.h>

#include "cmdline/OwnedString.h"
#include "support/FailAlloc.h"

namespace {

TEST(OwnedString, AssigningItsOwnTextKeepsIt)
{
    CWideString str;
    ASSERT_TRUE(str.Assign(L"C:\\drivers\\list.txt"));
    ASSERT_TRUE(str.Assign(str.c_str()));
    EXPECT_STREQ(str.c_str(), L"C:\\drivers\\list.txt");
    EXPECT_EQ(str.Length(), 19u);
    EXPECT_FALSE(str.IsAbsent());
}

TEST(OwnedString, AssigningAPartOfItsOwnTextKeepsThatPart)
{
    CWideString str;
    ASSERT_TRUE(str.Assign(L"C:\\drivers\\list.txt"));
    ASSERT_TRUE(str.Assign(str.c_str() + 3, 7));
    EXPECT_STREQ(str.c_str(), L"drivers");
    EXPECT_EQ(str.Length(), 7u);
}

TEST(OwnedString, FailedCopyOfItsOwnTextLeavesItAbsent)
{
    CWideString str;
    ASSERT_TRUE(str.Assign(L"a.inf"));
    {
        CFailAlloc fail(0);
        EXPECT_FALSE(str.Assign(str.c_str()));
    }
    EXPECT_TRUE(str.IsAbsent());
    EXPECT_STREQ(str.c_str(), L"");
}

TEST(OwnedString, MarkedAbsentUntilTheNextAssign)
{
    CWideString str;
    ASSERT_TRUE(str.Assign(L"a.inf"));
    str.MarkAbsent();
    EXPECT_TRUE(str.IsAbsent());
    EXPECT_TRUE(str.IsEmpty());
    ASSERT_TRUE(str.Assign(L""));
    EXPECT_FALSE(str.IsAbsent());
}

} // namespace
