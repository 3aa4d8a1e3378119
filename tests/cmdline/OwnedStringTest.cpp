// The owned copy of a command-line value given a text from its own buffer
// (PoisonFree.cpp makes a read of the freed old copy show).
#include <gtest/gtest.h>

#include "cmdline/OwnedString.h"
#include "support/FailAlloc.h"

namespace {

TEST(OwnedString, AssigningItsOwnTextOrAPartOfItKeepsThatText)
{
    CWideString str;
    ASSERT_TRUE(str.Assign(L"C:\\drivers\\list.txt"));
    ASSERT_TRUE(str.Assign(str.c_str()));
    EXPECT_STREQ(str.c_str(), L"C:\\drivers\\list.txt");
    ASSERT_TRUE(str.Assign(str.c_str() + 3, 7));
    EXPECT_STREQ(str.c_str(), L"drivers");
    EXPECT_EQ(str.Length(), 7u);

    // Without memory the string ends up absent, as with any failed copy.
    CFailAlloc fail(0);
    EXPECT_FALSE(str.Assign(str.c_str()));
    EXPECT_TRUE(str.IsAbsent());
    EXPECT_STREQ(str.c_str(), L"");
}

} // namespace
