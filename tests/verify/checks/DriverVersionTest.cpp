// DriverVer dates and versions, from any INF a user names or any driver key.
#include <gtest/gtest.h>

#include <random>
#include <regex>
#include <string>

#include "support/GuardPage.h"
#include "support/TestFiles.h"
#include "verify/DriverVersion.h"

namespace {

struct DateCase
{
    const wchar_t* psz;
    bool bValid;
};

TEST(DriverVersion, DatesTable)
{
    const DateCase cases[] = {
        { L"06/21/2026", true },   { L"6/1/2026", true },     { L"02/29/2024", true },  { L"02/29/2000", true },
        { L"02/29/1900", false },  { L"02/29/2026", false },  { L"04/31/2026", false }, { L"13/01/2026", false },
        { L"00/10/2026", false },  { L"01/00/2026", false },  { L"1/1/26", false },     { L"01/01/02026", false },
        { L"001/01/2026", false }, { L"01-01-2026", false },  { L"01/01/2026 ", false }, { L" 01/01/2026", false },
        { L"", false },            { L"12/31/1600", false },  { L"01/01/1601", true },  { L"12/31/9999", true },
        { L"1//2026", false },     { L"01/01/", false },
    };
    for (const DateCase& c : cases) {
        DRIVER_VERSION v = {};
        EXPECT_EQ(ParseDriverDate(c.psz, L'/', &v), c.bValid) << Narrow(c.psz);
    }
    DRIVER_VERSION v = {};
    ASSERT_TRUE(ParseDriverDate(L"6-21-2026", L'-', &v));
    EXPECT_EQ(v.wYear, 2026);
    EXPECT_EQ(v.wMonth, 6);
    EXPECT_EQ(v.wDay, 21);
}

TEST(DriverVersion, VersionsTableAndOrder)
{
    const DateCase cases[] = {
        { L"2.0.0.1", true }, { L"1", true },       { L"65535.65535.65535.65535", true }, { L"65536", false },
        { L"1.2.3.4.5", false }, { L"1..2", false }, { L"1.", false }, { L".1", false }, { L"", false },
        { L"1.2a", false },   { L"000001", false }, { L"1.-2", false },
    };
    for (const DateCase& c : cases) {
        DRIVER_VERSION v = {};
        EXPECT_EQ(ParseDriverVersionNumber(c.psz, &v), c.bValid) << Narrow(c.psz);
    }
    // Date first, then the version, part by part.
    DRIVER_VERSION older = {}, newer = {}, same = {};
    ASSERT_TRUE(ParseDriverDate(L"06/21/2026", L'/', &older) && ParseDriverVersionNumber(L"9.9", &older));
    ASSERT_TRUE(ParseDriverDate(L"06/22/2026", L'/', &newer) && ParseDriverVersionNumber(L"1.0", &newer));
    ASSERT_TRUE(ParseDriverDate(L"6-21-2026", L'-', &same) && ParseDriverVersionNumber(L"9.9.0.0", &same));
    EXPECT_LT(CompareDriverVersions(older, newer), 0);
    EXPECT_GT(CompareDriverVersions(newer, older), 0);
    EXPECT_EQ(CompareDriverVersions(older, same), 0);
    ASSERT_TRUE(ParseDriverVersionNumber(L"9.9.0.1", &same));
    EXPECT_LT(CompareDriverVersions(older, same), 0);
}

// Random texts end right before a no-access page; the verdicts must match an
// independent reading: a pattern, and the system's own calendar.
TEST(DriverVersion, RandomTextsAgreeWithThePatternAndTheCalendar)
{
    CGuardedBuffer guard(64 * sizeof(WCHAR));
    ASSERT_TRUE(guard.IsValid());
    std::mt19937 random(20261208);
    const wchar_t c_szAlphabet[] = L"0123456789012345678901234567890123456789/./-x";
    const std::wregex datePattern(L"^(\\d{1,2})/(\\d{1,2})/(\\d{4})$");
    const std::wregex versionPattern(L"^\\d{1,5}(\\.\\d{1,5}){0,3}$");
    for (int iCase = 0; iCase < 20000; ++iCase) {
        std::wstring str;
        const size_t cch = random() % 14;
        for (size_t i = 0; i < cch; ++i)
            str += c_szAlphabet[random() % (ARRAYSIZE(c_szAlphabet) - 1)];
        WCHAR* psz = guard.PlaceWide(str.c_str(), str.size());
        DRIVER_VERSION v = {};

        std::wsmatch m;
        bool bDate = false;
        if (std::regex_match(str, m, datePattern)) {
            SYSTEMTIME st = {};
            st.wMonth = static_cast<WORD>(std::stoi(m[1]));
            st.wDay = static_cast<WORD>(std::stoi(m[2]));
            st.wYear = static_cast<WORD>(std::stoi(m[3]));
            FILETIME ft;
            bDate = SystemTimeToFileTime(&st, &ft) != FALSE;
        }
        ASSERT_EQ(ParseDriverDate(psz, L'/', &v), bDate) << Narrow(str);

        bool bVersion = std::regex_match(str, versionPattern);
        for (size_t i = 0; bVersion && i < str.size();) {
            const size_t iEnd = str.find(L'.', i);
            bVersion = std::stoul(str.substr(i, iEnd - i)) <= 65535;
            i = iEnd == std::wstring::npos ? str.size() : iEnd + 1;
        }
        ASSERT_EQ(ParseDriverVersionNumber(psz, &v), bVersion) << Narrow(str);
    }
}

} // namespace
