// The tokenizer: command-line tails and the (token, flag) calls they produce.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "TokenRecorder.h"
#include "cmdline/CommandLineTokenizer.h"
#include "support/GuardPage.h"
#include "support/TestFiles.h"

void PrintTo(const RecordedToken& t, std::ostream* os)
{
    *os << "(\"" << Narrow(t.strToken) << "\", " << (t.bFlag ? "flag" : "value") << (t.bLast ? ", last" : "") << ")";
}

namespace {

struct Case
{
    const char* pszName;
    const wchar_t* pszTail;
    std::vector<std::pair<const wchar_t*, bool>> calls;
};

const Case g_cases[] = {
    { "empty tail makes no call", L"", {} },
    { "blanks only make no call", L"  \t  ", {} },
    { "two spaces between options", L"/i  /q", { { L"i", true }, { L"q", true } } },
    { "tab between options", L"/i\t/q", { { L"i", true }, { L"q", true } } },
    { "leading and trailing blanks", L" \t /i /q \t", { { L"i", true }, { L"q", true } } },
    { "quoted path with blanks", L"/l \"D:\\My Drivers\\list.txt\" /i",
      { { L"l", true }, { L"D:\\My Drivers\\list.txt", false }, { L"i", true } } },
    { "dash flag", L"-u", { { L"u", true } } },
    { "lone slash is not a flag", L"/", { { L"/", false } } },
    { "lone dash is not a flag", L"-", { { L"-", false } } },
    { "unterminated quote runs to the end", L"/s \"unterminated path",
      { { L"s", true }, { L"unterminated path", false } } },
    { "question mark", L"/?", { { L"?", true } } },
    { "quoted token followed directly by another", L"\"a b\"c", { { L"a b", false }, { L"c", false } } },
    { "quoted value that looks like a flag loses its dash", L"/s \"-x.inf\"", { { L"s", true }, { L"x.inf", true } } },
    { "quoted flag is a flag", L"\"/i\"", { { L"i", true } } },
    { "quote inside an unquoted token is ordinary", L"a\"b c", { { L"a\"b", false }, { L"c", false } } },
    { "empty quotes are dropped", L"/i \"\" /q", { { L"i", true }, { L"q", true } } },
    { "empty quotes directly before a token", L"\"\"x", { { L"x", false } } },
    { "quote as the last character", L"/i \"", { { L"i", true } } },
    { "lone quote", L"\"", {} },
    { "three quotes", L"\"\"\"", {} },
    { "quoted blanks give a blank token", L"\" \"", { { L" ", false } } },
    { "flag of two characters is kept whole", L"/iq", { { L"iq", true } } },
    { "double slash keeps one", L"//i", { { L"/i", true } } },
    { "other whitespace is not a separator", L"/i\n/q", { { L"i\n/q", true } } },
    { "tab inside quotes", L"\"a\tb\"", { { L"a\tb", false } } },
    { "non-ASCII token", L"/l \u00e9t\u00e9.txt", { { L"l", true }, { L"\u00e9t\u00e9.txt", false } } },
};

class TokensFromTail : public ::testing::TestWithParam<Case> {};

TEST_P(TokensFromTail, AreHandedOverInOrder)
{
    const Case& c = GetParam();
    std::vector<RecordedToken> expected;
    for (const auto& call : c.calls)
        expected.push_back({ call.first, call.second, false });

    // The tail ends right before a no-access page: any read past its
    // terminator crashes.
    std::wstring strTail = c.pszTail;
    CGuardedBuffer guard(4096);
    WCHAR* pszTail = guard.PlaceWide(strTail.c_str(), strTail.size());
    ASSERT_NE(pszTail, nullptr);
    ASSERT_TRUE(IsBadReadPtr(pszTail + strTail.size() + 1, 1)) << "the guard page must not be readable";

    CTokenRecorder recorder;
    ParseCommandLineInto(pszTail, recorder);
    EXPECT_EQ(recorder.m_tokens, expected);
}

std::string CaseName(const ::testing::TestParamInfo<Case>& info)
{
    std::string str;
    for (const char* p = info.param.pszName; *p; ++p)
        str.push_back(isalnum(static_cast<unsigned char>(*p)) ? *p : '_');
    return str;
}

INSTANTIATE_TEST_SUITE_P(Table, TokensFromTail, ::testing::ValuesIn(g_cases), CaseName);

TEST(Tokenizer, NullTailParsesNothing)
{
    CTokenRecorder recorder;
    ParseCommandLineInto(nullptr, recorder);
    EXPECT_TRUE(recorder.m_tokens.empty());
}

TEST(Tokenizer, FeedsTheProcessRecord)
{
    WCHAR szTail[] = L"/i /l drivers.txt";
    ParseCommandLine(szTail);
    EXPECT_EQ(g_commandLineInfo.m_nOperation, opInstall);
    EXPECT_STREQ(g_commandLineInfo.m_strInfList.c_str(), L"drivers.txt");
}

TEST(Tokenizer, FromTailToSettings)
{
    WCHAR szTail[] = L"/u /s \"C:\\x y\\a.inf\" -Q";
    CTavelinCommandLineInfo info;
    ParseCommandLineInto(szTail, info);
    EXPECT_EQ(info.m_nOperation, opUninstall);
    EXPECT_STREQ(info.m_strInfFile.c_str(), L"C:\\x y\\a.inf");
    EXPECT_TRUE(info.m_bQuiet);
}

TEST(Tokenizer, LongTailIsParsedWhole)
{
    std::wstring strPath(32000, L'p');
    std::wstring strTail = L"/i /s " + strPath + L" /q";
    CTavelinCommandLineInfo info;
    ParseCommandLineInto(&strTail[0], info);
    EXPECT_EQ(info.m_nOperation, opInstall);
    EXPECT_EQ(info.m_strInfFile.Length(), 32000u);
    EXPECT_TRUE(info.m_bQuiet);
}

} // namespace
