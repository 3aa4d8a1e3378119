// The settings record: token sequences and the settings they leave behind.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cmdline/CommandLineInfo.h"
#include "support/FailAlloc.h"

namespace {

struct Token
{
    const wchar_t* psz;
    bool bFlag;
};

struct Expected
{
    int nOperation;
    int nVendor;
    bool bQuiet;
    const wchar_t* pszList;
    const wchar_t* pszFile;
    const wchar_t* pszAux;
    int nExpect;
};

struct Case
{
    const char* pszName;
    std::vector<Token> tokens;
    Expected expected;
};

void Feed(CTavelinCommandLineInfo& info, const std::vector<Token>& tokens)
{
    for (const Token& t : tokens)
        info.ParseToken(t.psz, t.bFlag, false);
}

const Case g_cases[] = {
    { "no tokens leave the operation at none", {}, { 0, 0, false, L"", L"", L"", 0 } },
    { "question mark asks for usage", { { L"?", true } }, { 1, 0, false, L"", L"", L"", 0 } },
    { "unknown letter is an error", { { L"x", true } }, { 1, 0, false, L"", L"", L"", 0 } },
    { "two letters are an error", { { L"iq", true } }, { 1, 0, false, L"", L"", L"", 0 } },
    { "lone slash is an unflagged token", { { L"/", false } }, { 1, 0, false, L"", L"", L"", 0 } },
    { "bare word in option position", { { L"setup.inf", false } }, { 1, 0, false, L"", L"", L"", 0 } },
    { "empty flag is an error", { { L"", true } }, { 1, 0, false, L"", L"", L"", 0 } },
    { "capital I installs", { { L"I", true } }, { 2, 0, false, L"", L"", L"", 0 } },
    { "dash i installs", { { L"i", true } }, { 2, 0, false, L"", L"", L"", 0 } },
    { "first operation wins: i then u", { { L"i", true }, { L"u", true } }, { 2, 0, false, L"", L"", L"", 0 } },
    { "first operation wins: u then i", { { L"u", true }, { L"i", true } }, { 3, 0, false, L"", L"", L"", 0 } },
    { "preinstall", { { L"P", true } }, { 4, 0, false, L"", L"", L"", 0 } },
    { "capital V verifies", { { L"V", true }, { L"s", true }, { L"a.inf", false } }, { 6, 0, false, L"", L"a.inf", L"", 0 } },
    { "first operation wins: v then i", { { L"v", true }, { L"i", true } }, { 6, 0, false, L"", L"", L"", 0 } },
    { "capital C cleans a list quietly", { { L"C", true }, { L"l", true }, { L"b.txt", false }, { L"q", true } },
      { 7, 0, true, L"b.txt", L"", L"", 0 } },
    { "first operation wins: c then u", { { L"c", true }, { L"u", true } }, { 7, 0, false, L"", L"", L"", 0 } },
    { "quiet alone leaves the operation at none", { { L"q", true } }, { 0, 0, true, L"", L"", L"", 0 } },
    { "capital Q is quiet", { { L"i", true }, { L"Q", true } }, { 2, 0, true, L"", L"", L"", 0 } },
    { "error latch stops a later quiet", { { L"i", true }, { L"x", true }, { L"q", true } },
      { 1, 0, false, L"", L"", L"", 0 } },
    { "error latch stops a later list path", { { L"x", true }, { L"l", true }, { L"a.txt", false } },
      { 1, 0, false, L"", L"", L"", 0 } },
    { "f rezuv repairs with vendor 1", { { L"f", true }, { L"rezuv", false } }, { 5, 1, false, L"", L"", L"", 0 } },
    { "vendor name is case-sensitive", { { L"f", true }, { L"Rezuv", false } }, { 1, 0, false, L"", L"", L"", 0 } },
    { "vendor name must match whole", { { L"f", true }, { L"rezuvx", false } }, { 1, 0, false, L"", L"", L"", 0 } },
    { "vendor prefix does not match", { { L"f", true }, { L"rez", false } }, { 1, 0, false, L"", L"", L"", 0 } },
    { "f as last token keeps vendor 0", { { L"f", true } }, { 5, 0, false, L"", L"", L"", 4 } },
    { "f after install still takes its vendor", { { L"i", true }, { L"f", true }, { L"rezuv", false } },
      { 2, 1, false, L"", L"", L"", 0 } },
    { "f then q takes q as vendor name", { { L"f", true }, { L"q", true } }, { 1, 0, false, L"", L"", L"", 0 } },
    { "capital F", { { L"F", true }, { L"rezuv", false } }, { 5, 1, false, L"", L"", L"", 0 } },
    { "file, list and preinstall", { { L"s", true }, { L"drv.inf", false }, { L"l", true }, { L"list.txt", false }, { L"p", true } },
      { 4, 0, false, L"list.txt", L"drv.inf", L"", 0 } },
    { "aux value is stored and has no effect", { { L"a", true }, { L"anything", false }, { L"i", true } },
      { 2, 0, false, L"", L"", L"anything", 0 } },
    { "value after l is taken whatever its flag", { { L"l", true }, { L"q", true } }, { 0, 0, false, L"q", L"", L"", 0 } },
    { "value after s may look like an option", { { L"s", true }, { L"x.inf", true }, { L"u", true } },
      { 3, 0, false, L"", L"x.inf", L"", 0 } },
    { "value option as last token changes nothing", { { L"l", true }, { L"a.txt", false }, { L"l", true } },
      { 0, 0, false, L"a.txt", L"", L"", 1 } },
    { "later value replaces earlier", { { L"l", true }, { L"a.txt", false }, { L"l", true }, { L"b.txt", false } },
      { 0, 0, false, L"b.txt", L"", L"", 0 } },
    { "empty value clears the path", { { L"s", true }, { L"a.inf", false }, { L"s", true }, { L"", false } },
      { 0, 0, false, L"", L"", L"", 0 } },
    { "non-ASCII letter is not folded", { { L"\u0130", true } }, { 1, 0, false, L"", L"", L"", 0 } },
    { "error after the operation", { { L"u", true }, { L"s", true }, { L"a.inf", false }, { L"zz", true } },
      { 1, 0, false, L"", L"a.inf", L"", 0 } },
    { "f after an error does nothing", { { L"?", true }, { L"f", true }, { L"rezuv", false } },
      { 1, 0, false, L"", L"", L"", 0 } },
};

class SettingsFromTokens : public ::testing::TestWithParam<Case> {};

TEST_P(SettingsFromTokens, LeaveTheExpectedRecord)
{
    const Case& c = GetParam();
    CTavelinCommandLineInfo info;
    Feed(info, c.tokens);
    EXPECT_EQ(info.m_nOperation, c.expected.nOperation);
    EXPECT_EQ(info.m_nVendor, c.expected.nVendor);
    EXPECT_EQ(info.m_bQuiet, c.expected.bQuiet);
    EXPECT_STREQ(info.m_strInfList.c_str(), c.expected.pszList);
    EXPECT_STREQ(info.m_strInfFile.c_str(), c.expected.pszFile);
    EXPECT_STREQ(info.m_strAuxValue.c_str(), c.expected.pszAux);
    EXPECT_EQ(info.m_nExpect, c.expected.nExpect);
    EXPECT_FALSE(info.m_strInfList.IsAbsent());
    EXPECT_FALSE(info.m_strInfFile.IsAbsent());
}

std::string CaseName(const ::testing::TestParamInfo<Case>& info)
{
    std::string str;
    for (const char* p = info.param.pszName; *p; ++p)
        str.push_back(isalnum(static_cast<unsigned char>(*p)) ? *p : '_');
    return str;
}

INSTANTIATE_TEST_SUITE_P(Table, SettingsFromTokens, ::testing::ValuesIn(g_cases), CaseName);

TEST(SettingsRecord, StartsWithEveryDefault)
{
    CTavelinCommandLineInfo info;
    EXPECT_EQ(info.m_nOperation, opNone);
    EXPECT_EQ(info.m_nVendor, 0);
    EXPECT_FALSE(info.m_bQuiet);
    EXPECT_EQ(info.m_nExpect, 0);
    EXPECT_TRUE(info.m_strInfList.IsEmpty());
    EXPECT_TRUE(info.m_strInfFile.IsEmpty());
    EXPECT_TRUE(info.m_strAuxValue.IsEmpty());
}

TEST(SettingsRecord, VendorTableHoldsOnlyRezuv)
{
    ASSERT_EQ(g_cVendorTable, 1u);
    EXPECT_EQ(g_vendorTable[0].nId, 1);
    EXPECT_STREQ(g_vendorTable[0].pszName, L"rezuv");
}

TEST(SettingsRecord, TokenIsCopiedNotReferenced)
{
    CTavelinCommandLineInfo info;
    wchar_t szToken[] = L"list.txt";
    info.ParseToken(L"l", true, false);
    info.ParseToken(szToken, false, false);
    szToken[0] = L'X';
    EXPECT_STREQ(info.m_strInfList.c_str(), L"list.txt");
}

TEST(SettingsRecord, FailedCopyLeavesThePathAbsentAndReadingAsEmpty)
{
    CTavelinCommandLineInfo info;
    info.ParseToken(L"s", true, false);
    info.ParseToken(L"old.inf", false, false);
    info.ParseToken(L"s", true, false);
    {
        CFailAlloc fail(0);
        info.ParseToken(L"new.inf", false, false);
        EXPECT_GE(CFailAlloc::Refused(), 1);
    }
    EXPECT_TRUE(info.m_strInfFile.IsAbsent());
    EXPECT_TRUE(info.m_strInfFile.IsEmpty());
    EXPECT_STREQ(info.m_strInfFile.c_str(), L"");
    EXPECT_EQ(info.m_nExpect, 0);

    // A later value is stored again.
    info.ParseToken(L"s", true, false);
    info.ParseToken(L"again.inf", false, false);
    EXPECT_FALSE(info.m_strInfFile.IsAbsent());
    EXPECT_STREQ(info.m_strInfFile.c_str(), L"again.inf");
}

TEST(SettingsRecord, NullTokenCountsAsEmpty)
{
    CTavelinCommandLineInfo info;
    info.ParseToken(nullptr, true, false);
    EXPECT_EQ(info.m_nOperation, opUsage);
}

} // namespace
