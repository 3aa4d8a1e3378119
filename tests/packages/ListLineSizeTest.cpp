// Lines that end at the awkward sizes around the reader's 1023-byte pieces,
// with LF, with CR LF and as a last line without a line end.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ListLoad.h"

namespace {

using Entries = std::vector<std::wstring>;

// What a line of cb bytes followed by strEnd gives: pieces of at most 1023
// bytes, the line feed counted in its piece (text mode has already dropped a
// CR before it).
Entries ExpectedPieces(const std::string& strLine, bool bLineEnd)
{
    Entries pieces;
    size_t pos = 0;
    for (;;) {
        size_t cbLeft = strLine.size() - pos;
        if (bLineEnd ? cbLeft + 1 <= 1023 : cbLeft <= 1023) {
            if (bLineEnd || cbLeft > 0)
                pieces.push_back(Widen(strLine.substr(pos)));
            return pieces;
        }
        pieces.push_back(Widen(strLine.substr(pos, 1023)));
        pos += 1023;
    }
}

std::string LineOf(size_t cb)
{
    std::string str;
    for (size_t i = 0; i < cb; ++i)
        str.push_back(static_cast<char>('a' + i % 23));
    return str;
}

class OddLineSizes : public ::testing::TestWithParam<size_t> {};

TEST_P(OddLineSizes, SplitIntoPiecesOfAtMost1023Bytes)
{
    CScratchDir dir;
    const std::string strLine = LineOf(GetParam());
    for (const char* pszEnd : { "\n", "\r\n", "" }) {
        SCOPED_TRACE(std::string("line end ") + (*pszEnd == '\r' ? "CR LF" : *pszEnd ? "LF" : "none"));
        const bool bLineEnd = *pszEnd != '\0';
        LIST_LOAD load = LoadListBytes(dir, ";inflist\r\n" + strLine + pszEnd);
        Entries expected = ExpectedPieces(strLine, bLineEnd);
        EXPECT_TRUE(load.bLoaded);
        EXPECT_EQ(load.totals, std::vector<int>{ static_cast<int>(expected.size()) });
        EXPECT_EQ(load.entries, expected);
        for (const std::wstring& str : load.entries)
            EXPECT_LE(str.size(), 1023u);
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, OddLineSizes,
                         ::testing::Values(0, 1, 1021, 1022, 1023, 1024, 1025, 2045, 2046, 2047, 2048, 3069, 3070));

// The documented example, read by the reader itself: a path of 1023 bytes
// and its line feed make two entries, the second one empty.
TEST(OddLineSizesExample, PathOf1023BytesWithLineEndGivesAnEmptySecondPiece)
{
    CScratchDir dir;
    const std::wstring str1023(1023, L'p');
    const std::wstring str1022(1022, L'p');
    EXPECT_EQ(LoadListBytes(dir, ";inflist\n" + std::string(1023, 'p') + "\n").entries, (Entries{ str1023, L"" }));
    EXPECT_EQ(LoadListBytes(dir, ";inflist\n" + std::string(1022, 'p') + "\n").entries, (Entries{ str1022 }));
    EXPECT_EQ(LoadListBytes(dir, ";inflist\r\n" + std::string(1024, 'p') + "\r\n").entries,
              (Entries{ str1023, L"p" }));
}

} // namespace
