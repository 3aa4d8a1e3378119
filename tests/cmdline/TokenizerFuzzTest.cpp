// Seeded random tails, each ending right before a no-access page: every parse
// ends, never reads past the tail, and leaves a record that keeps its rules.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "TokenRecorder.h"
#include "cmdline/CommandLineTokenizer.h"
#include "support/GuardPage.h"
#include "support/TestFiles.h"

namespace {

const WCHAR g_alphabet[] = {
    L' ', L'\t', L'"', L'"', L'/', L'-', L'i', L'u', L'p', L'q', L'l', L's', L'a', L'f', L'x', L'?',
    L'I', L'F', L'r', L'e', L'z', L'v', L'\\', L'.', L'\r', L'\n', 0x00e9, 0x4e2d, 0xd800, 0xdc00, 0xffff,
};

std::wstring RandomTail(std::mt19937& rng)
{
    static const wchar_t* const s_words[] = { L"rezuv", L"/f", L"/l", L"/s", L"/a", L"/q", L"/i", L"\"", L"  " };
    std::uniform_int_distribution<int> length(0, 40);
    std::uniform_int_distribution<size_t> pick(0, sizeof(g_alphabet) / sizeof(g_alphabet[0]) - 1);
    std::uniform_int_distribution<size_t> word(0, sizeof(s_words) / sizeof(s_words[0]) - 1);
    std::uniform_int_distribution<int> coin(0, 3);
    std::wstring str;
    int n = length(rng);
    for (int i = 0; i < n; ++i) {
        if (coin(rng) == 0)
            str += s_words[word(rng)];
        else
            str.push_back(g_alphabet[pick(rng)]);
    }
    return str;
}

bool IsValueOption(const RecordedToken& t)
{
    if (!t.bFlag || t.strToken.size() != 1)
        return false;
    switch (t.strToken[0]) {
    case L'a': case L'A': case L'f': case L'F': case L'l': case L'L': case L's': case L'S':
        return true;
    default:
        return false;
    }
}

TEST(TokenizerFuzz, RandomTailsKeepTheRecordsRules)
{
    std::mt19937 rng(20261208);
    CGuardedBuffer guard(4096);
    ASSERT_TRUE(guard.IsValid());

    for (int iRun = 0; iRun < 10000; ++iRun) {
        std::wstring strTail = RandomTail(rng);
        std::wstring strOriginal = strTail;
        WCHAR* pszTail = guard.PlaceWide(strTail.c_str(), strTail.size());
        ASSERT_NE(pszTail, nullptr);

        CTokenRecorder rec;
        ParseCommandLineInto(pszTail, rec);
        SCOPED_TRACE("run " + std::to_string(iRun) + ": " + Narrow(strOriginal));

        ASSERT_GE(rec.m_nOperation, 0);
        ASSERT_LE(rec.m_nOperation, static_cast<int>(opClean));
        ASSERT_LE(rec.m_tokens.size(), strOriginal.size());
        for (size_t i = 0; i < rec.m_tokens.size(); ++i) {
            const RecordedToken& t = rec.m_tokens[i];
            ASSERT_FALSE(t.strToken.empty());
            ASSERT_FALSE(t.bLast);
            // What a token holds stood in the tail as one piece.
            ASSERT_NE(strOriginal.find(t.strToken), std::wstring::npos);
            // Once the error latch is set it stays set.
            if (rec.m_opsBefore[i] == opUsage) {
                ASSERT_EQ(rec.m_opsAfter[i], opUsage);
            }
            // The operation leaves 0 only once, and later only for the latch.
            if (rec.m_opsBefore[i] != opNone && rec.m_opsAfter[i] != rec.m_opsBefore[i]) {
                ASSERT_EQ(rec.m_opsAfter[i], opUsage);
            }
        }

        // A value is still expected only when the last token was a value
        // option read in option position before any error.
        bool bExpectPending = false;
        if (!rec.m_tokens.empty()) {
            size_t iLast = rec.m_tokens.size() - 1;
            bExpectPending = rec.m_opsBefore[iLast] != opUsage && rec.m_expectBefore[iLast] == 0 &&
                             IsValueOption(rec.m_tokens[iLast]);
        }
        ASSERT_EQ(rec.m_nExpect != 0, bExpectPending);
    }
}

TEST(TokenizerFuzz, EveryQuoteAndBlankPlacementAtTheEnd)
{
    // Every tail of up to five characters over the characters that steer the
    // cuts, each one ending at the guard page.
    const WCHAR chars[] = { L'"', L' ', L'\t', L'/', L'x' };
    CGuardedBuffer guard(4096);
    for (int len = 0; len <= 5; ++len) {
        int nCombos = 1;
        for (int i = 0; i < len; ++i)
            nCombos *= 5;
        for (int combo = 0; combo < nCombos; ++combo) {
            std::wstring str;
            for (int i = 0, c = combo; i < len; ++i, c /= 5)
                str.push_back(chars[c % 5]);
            WCHAR* psz = guard.PlaceWide(str.c_str(), str.size());
            CTokenRecorder rec;
            ParseCommandLineInto(psz, rec);
            for (const RecordedToken& t : rec.m_tokens)
                ASSERT_FALSE(t.strToken.empty());
        }
    }
}

} // namespace
