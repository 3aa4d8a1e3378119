// Text checks on property data, with the data ending right before a no-access
// page: a read of one byte past what a property read returned crashes.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "UsbDeviceRegistry.h"
#include "devfix/PropertyText.h"
#include "support/GuardPage.h"

namespace {

const wchar_t g_szMtpId[] = L"USB\\MS_COMP_MTP";
const size_t g_cbBuffer = 2048;

class CGuardedData
{
public:
    CGuardedData() : m_guard(2 * g_cbBuffer) {}

    const BYTE* Place(const std::string& strBytes)
    {
        const BYTE* pb = static_cast<const BYTE*>(m_guard.Place(strBytes.data(), strBytes.size()));
        EXPECT_NE(pb, nullptr);
        EXPECT_TRUE(IsBadReadPtr(pb + strBytes.size(), 1)) << "the guard page must not be readable";
        return pb;
    }

private:
    CGuardedBuffer m_guard;
};

bool RegSzAtGuard(CGuardedData& data, const std::string& strBytes, LPCWSTR pszText)
{
    return RegSzEquals(data.Place(strBytes), static_cast<DWORD>(strBytes.size()), pszText);
}

bool MultiSzAtGuard(CGuardedData& data, const std::string& strBytes, LPCWSTR pszText)
{
    return MultiSzContains(data.Place(strBytes), static_cast<DWORD>(strBytes.size()), pszText);
}

std::string Repeat(wchar_t ch, size_t cch)
{
    return TextBytes(std::wstring(cch, ch));
}

// ---- REG_SZ equality ----

TEST(RegSzEquality, TerminatedTextEqualsOnlyTheSameWholeText)
{
    CGuardedData data;
    EXPECT_TRUE(RegSzAtGuard(data, SzBytes(L"Rezuv"), L"Rezuv"));
    EXPECT_FALSE(RegSzAtGuard(data, SzBytes(L"REZUV"), L"Rezuv"));
    EXPECT_FALSE(RegSzAtGuard(data, SzBytes(L"rezuv"), L"Rezuv"));
    EXPECT_FALSE(RegSzAtGuard(data, SzBytes(L"Rezuv Corporation"), L"Rezuv"));
    EXPECT_FALSE(RegSzAtGuard(data, SzBytes(L"Rezu"), L"Rezuv"));
    EXPECT_FALSE(RegSzAtGuard(data, SzBytes(L" Rezuv"), L"Rezuv"));
    EXPECT_FALSE(RegSzAtGuard(data, SzBytes(L""), L"Rezuv"));
}

TEST(RegSzEquality, TextEndsAtItsFirstTerminator)
{
    CGuardedData data;
    EXPECT_TRUE(RegSzAtGuard(data, SzBytes(L"Rezuv") + SzBytes(L"junk"), L"Rezuv"));
    EXPECT_FALSE(RegSzAtGuard(data, SzBytes(L"Rez") + SzBytes(L"uv"), L"Rezuv"));
}

TEST(RegSzEquality, EmptyDataIsTheEmptyText)
{
    CGuardedData data;
    EXPECT_FALSE(RegSzAtGuard(data, std::string(), L"Rezuv"));
    EXPECT_TRUE(RegSzAtGuard(data, std::string(), L""));
}

TEST(RegSzEquality, EveryCutOfTheDataStaysInsideItAndMatchesOnlyWithTheWholeText)
{
    // "Rezuv" is 10 bytes; 10 and 11 bytes hold the whole text without a
    // terminator (the odd byte is no unit), 12 bytes hold it terminated.
    const std::string strFull = SzBytes(L"Rezuv");
    CGuardedData data;
    for (size_t cb = 0; cb <= strFull.size(); ++cb) {
        SCOPED_TRACE("bytes: " + std::to_string(cb));
        EXPECT_EQ(RegSzAtGuard(data, strFull.substr(0, cb), L"Rezuv"), cb >= 10);
    }
}

TEST(RegSzEquality, HalfAUnitDoesNotCompleteTheText)
{
    CGuardedData data;
    // "Rezu" and the low byte of 'v': 9 bytes, four whole units.
    EXPECT_FALSE(RegSzAtGuard(data, TextBytes(L"Rezuv").substr(0, 9), L"Rezuv"));
}

TEST(RegSzEquality, UnterminatedTextFillingTheBufferIsReadToItsEndOnly)
{
    CGuardedData data;
    EXPECT_FALSE(RegSzAtGuard(data, Repeat(L'R', g_cbBuffer / 2), L"Rezuv"));
    EXPECT_FALSE(RegSzAtGuard(data, TextBytes(L"Rezuv") + Repeat(L'x', g_cbBuffer / 2 - 5), L"Rezuv"));
    const std::wstring strLong(g_cbBuffer / 2, L'W');
    EXPECT_TRUE(RegSzAtGuard(data, TextBytes(strLong), strLong.c_str()));
    EXPECT_FALSE(RegSzAtGuard(data, TextBytes(strLong), (strLong + L"W").c_str()));
}

// ---- multi-string search ----

TEST(MultiSzSearch, FindsTheIdAtAnyPosition)
{
    CGuardedData data;
    EXPECT_TRUE(MultiSzAtGuard(data, MultiSzBytes({ g_szMtpId }), g_szMtpId));
    EXPECT_TRUE(MultiSzAtGuard(data, MultiSzBytes({ g_szMtpId, L"USB\\Class_06" }), g_szMtpId));
    EXPECT_TRUE(MultiSzAtGuard(data, MultiSzBytes({ L"USB\\Class_06&SubClass_01", g_szMtpId, L"USB\\Class_06" }), g_szMtpId));
    EXPECT_TRUE(MultiSzAtGuard(data, MultiSzBytes({ L"USB\\Class_06&SubClass_01", L"USB\\Class_06", g_szMtpId }), g_szMtpId));
}

TEST(MultiSzSearch, MatchesWholeStringsOnlyAndCaseSensitively)
{
    CGuardedData data;
    EXPECT_FALSE(MultiSzAtGuard(data, MultiSzBytes({ L"usb\\ms_comp_mtp" }), g_szMtpId));
    EXPECT_FALSE(MultiSzAtGuard(data, MultiSzBytes({ L"USB\\MS_COMP_MTPX" }), g_szMtpId));
    EXPECT_FALSE(MultiSzAtGuard(data, MultiSzBytes({ L"XUSB\\MS_COMP_MTP" }), g_szMtpId));
    EXPECT_FALSE(MultiSzAtGuard(data, MultiSzBytes({ L"USB\\MS_COMP_MT", L"TP" }), g_szMtpId));
    EXPECT_FALSE(MultiSzAtGuard(data, MultiSzBytes({ L"USB\\MS_COMP_MTP USB\\Class_06" }), g_szMtpId));
}

TEST(MultiSzSearch, TheFirstEmptyStringEndsTheList)
{
    CGuardedData data;
    EXPECT_FALSE(MultiSzAtGuard(data, SzBytes(L"") + MultiSzBytes({ g_szMtpId }), g_szMtpId));
    EXPECT_FALSE(MultiSzAtGuard(data, MultiSzBytes({ L"USB\\Class_06" }) + MultiSzBytes({ g_szMtpId }), g_szMtpId));
    EXPECT_FALSE(MultiSzAtGuard(data, std::string(), g_szMtpId));
    EXPECT_FALSE(MultiSzAtGuard(data, SzBytes(L""), g_szMtpId));
}

TEST(MultiSzSearch, EveryCutOfTheDataStaysInsideItAndFindsTheIdOnlyWhenItsTextIsWhole)
{
    const std::wstring strBefore = L"USB\\Class_06&SubClass_01";
    const std::string strFull = MultiSzBytes({ strBefore, g_szMtpId, L"USB\\Class_06" });
    const size_t cbThroughId = (strBefore.size() + 1 + wcslen(g_szMtpId)) * sizeof(wchar_t);
    CGuardedData data;
    for (size_t cb = 0; cb <= strFull.size(); ++cb) {
        SCOPED_TRACE("bytes: " + std::to_string(cb));
        EXPECT_EQ(MultiSzAtGuard(data, strFull.substr(0, cb), g_szMtpId), cb >= cbThroughId);
    }
}

TEST(MultiSzSearch, ListWithoutAnyTerminatorIsReadToItsEndOnly)
{
    CGuardedData data;
    EXPECT_FALSE(MultiSzAtGuard(data, Repeat(L'A', g_cbBuffer / 2), g_szMtpId));
    EXPECT_FALSE(MultiSzAtGuard(data, TextBytes(g_szMtpId) + Repeat(L'A', g_cbBuffer / 2 - 15), g_szMtpId));
    EXPECT_TRUE(MultiSzAtGuard(data, TextBytes(g_szMtpId), g_szMtpId));
    EXPECT_TRUE(MultiSzAtGuard(data, SzBytes(L"USB\\Class_06") + TextBytes(g_szMtpId), g_szMtpId));
}

TEST(MultiSzSearch, OddTrailingByteIsIgnored)
{
    CGuardedData data;
    EXPECT_TRUE(MultiSzAtGuard(data, MultiSzBytes({ g_szMtpId }) + "\x01", g_szMtpId));
    EXPECT_TRUE(MultiSzAtGuard(data, TextBytes(g_szMtpId) + "P", g_szMtpId));
}

// Random lists, cut anywhere: the search ends, stays inside the data, and
// agrees with the strings a plain split of the whole units yields.
TEST(MultiSzSearch, RandomCutListsAgreeWithASplitOfTheirUnits)
{
    static const wchar_t* const s_pieces[] = { L"USB\\MS_COMP_MTP", L"USB\\MS_COMP_", L"MTP", L"USB\\Class_06",
                                               L"\0", L"x", L"P" };
    std::mt19937 rng(20261208);
    std::uniform_int_distribution<size_t> pick(0, sizeof(s_pieces) / sizeof(s_pieces[0]) - 1);
    std::uniform_int_distribution<int> count(0, 8);
    CGuardedData data;
    for (int iRun = 0; iRun < 3000; ++iRun) {
        std::wstring strUnits;
        for (int n = count(rng); n > 0; --n) {
            const wchar_t* psz = s_pieces[pick(rng)];
            strUnits += psz[0] == L'\0' ? std::wstring(1, L'\0') : std::wstring(psz);
        }
        std::string strBytes = TextBytes(strUnits);
        std::uniform_int_distribution<size_t> cut(0, strBytes.size());
        strBytes.resize(cut(rng));

        bool bExpected = false;
        const std::wstring strWhole = strUnits.substr(0, strBytes.size() / 2);
        size_t iStart = 0;
        while (iStart < strWhole.size()) {
            size_t iEnd = strWhole.find(L'\0', iStart);
            if (iEnd == std::wstring::npos)
                iEnd = strWhole.size();
            if (iEnd == iStart)
                break;
            if (strWhole.compare(iStart, iEnd - iStart, g_szMtpId) == 0) {
                bExpected = true;
                break;
            }
            iStart = iEnd + 1;
        }
        ASSERT_EQ(MultiSzAtGuard(data, strBytes, g_szMtpId), bExpected) << "run " << iRun;
    }
}

} // namespace
