// DriverVer dates and versions come from any INF a user names or any driver
// key: random texts end right before a no-access page, and the verdicts must
// match an independent reading (a pattern, and the system's own calendar).
#include <gtest/gtest.h>

#include <random>
#include <regex>
#include <string>
#include <vector>

#include "support/GuardPage.h"
#include "support/TestFiles.h"
#include "verify/DriverVersion.h"

namespace {

bool OracleDate(const std::wstring& str)
{
    static const std::wregex pattern(L"^(\\d{1,2})/(\\d{1,2})/(\\d{4})$");
    std::wsmatch m;
    if (!std::regex_match(str, m, pattern))
        return false;
    SYSTEMTIME st = {};
    st.wMonth = static_cast<WORD>(std::stoi(m[1]));
    st.wDay = static_cast<WORD>(std::stoi(m[2]));
    st.wYear = static_cast<WORD>(std::stoi(m[3]));
    // The way back too: Wine's conversion takes a 29 February of any year.
    FILETIME ft;
    SYSTEMTIME back = {};
    return SystemTimeToFileTime(&st, &ft) && FileTimeToSystemTime(&ft, &back) && back.wDay == st.wDay &&
           back.wMonth == st.wMonth && back.wYear == st.wYear;
}

bool OracleVersion(const std::wstring& str)
{
    static const std::wregex pattern(L"^\\d{1,5}(\\.\\d{1,5}){0,3}$");
    if (!std::regex_match(str, pattern))
        return false;
    for (size_t i = 0;;) {
        const size_t iDot = str.find(L'.', i);
        if (std::stoul(str.substr(i, iDot - i)) > 65535)
            return false;
        if (iDot == std::wstring::npos)
            return true;
        i = iDot + 1;
    }
}

TEST(DriverVersion, TextsAgreeWithThePatternAndTheCalendar)
{
    CGuardedBuffer guard(64 * sizeof(WCHAR));
    ASSERT_TRUE(guard.IsValid());
    // The edges first: leap days, the calendar's start, the largest part.
    std::vector<std::wstring> texts = { L"02/29/2024", L"02/29/1900", L"2/29/2000", L"12/31/1600", L"1/1/1601",
                                        L"04/31/2026", L"65535.0.65535.1", L"65536", L"1.2.3.4.5", L"000001" };
    std::mt19937 random(20261208);
    const wchar_t c_szAlphabet[] = L"0123456789012345678901234567890123456789/./-x";
    while (texts.size() < 20000) {
        std::wstring str;
        for (size_t i = 0, cch = random() % 14; i < cch; ++i)
            str += c_szAlphabet[random() % (ARRAYSIZE(c_szAlphabet) - 1)];
        texts.push_back(str);
    }
    for (const std::wstring& str : texts) {
        WCHAR* psz = guard.PlaceWide(str.c_str(), str.size());
        DRIVER_VERSION v = {};
        ASSERT_EQ(ParseDriverDate(psz, L'/', &v), OracleDate(str)) << Narrow(str);
        ASSERT_EQ(ParseDriverVersionNumber(psz, &v), OracleVersion(str)) << Narrow(str);
    }
}

// A driver key writes its date with dashes; the date ranks before the version.
TEST(DriverVersion, DateFirstThenVersionPartByPart)
{
    DRIVER_VERSION package = {}, older = {}, sameDay = {};
    ASSERT_TRUE(ParseDriverDate(L"06/21/2026", L'/', &package) && ParseDriverVersionNumber(L"2.0.0.1", &package));
    ASSERT_TRUE(ParseDriverDate(L"6-20-2026", L'-', &older) && ParseDriverVersionNumber(L"9.9", &older));
    ASSERT_TRUE(ParseDriverDate(L"6-21-2026", L'-', &sameDay) && ParseDriverVersionNumber(L"2.0.0.1", &sameDay));
    EXPECT_GT(CompareDriverVersions(package, older), 0);
    EXPECT_EQ(CompareDriverVersions(package, sameDay), 0);
    ASSERT_TRUE(ParseDriverVersionNumber(L"2.0.0.2", &sameDay));
    EXPECT_LT(CompareDriverVersions(package, sameDay), 0);
    EXPECT_FALSE(ParseDriverDate(L"06/21/2026", L'-', &older));
}

} // namespace
