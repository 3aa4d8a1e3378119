// Which decorated models section an x64 Windows uses, by the documented
// rules; Wine's SetupAPI lacks the call that answers this on Windows.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "inf/ModelsDecoration.h"
#include "support/GuardPage.h"
#include "support/TestFiles.h"

namespace {

const OS_TARGET c_win10_19041 = { 10, 0, 19041, VER_NT_WORKSTATION, 0x100 };
const OS_TARGET c_win10_15063 = { 10, 0, 15063, VER_NT_WORKSTATION, 0x100 };
const OS_TARGET c_win81 = { 6, 3, 9600, VER_NT_WORKSTATION, 0x100 };
const OS_TARGET c_server2019 = { 10, 0, 17763, VER_NT_SERVER, 0x110 };

int Choose(std::vector<LPCWSTR> decorations, const OS_TARGET& os)
{
    return ChooseModelsDecoration(decorations.data(), static_cast<int>(decorations.size()), os);
}

TEST(ModelsDecoration, OnlyAmd64SectionsCount)
{
    EXPECT_EQ(Choose({ L"NTamd64" }, c_win10_19041), 0);
    EXPECT_EQ(Choose({ L"NTx86", L"NTarm64", L"ntAMD64" }, c_win10_19041), 2);
    EXPECT_EQ(Choose({ L"NT", L"NTx86", L"NTia64" }, c_win10_19041), -1);
    EXPECT_EQ(Choose({}, c_win10_19041), -1);
    EXPECT_EQ(Choose({ L"NTamd641", L"NTamd64x", L"amd64", L"" }, c_win10_19041), -1);
}

TEST(ModelsDecoration, TheHighestVersionTheSystemMeetsWins)
{
    const std::vector<LPCWSTR> decorations = { L"NTamd64", L"NTamd64.10.0...16299", L"NTamd64.6.3" };
    EXPECT_EQ(Choose(decorations, c_win10_19041), 1);
    EXPECT_EQ(Choose(decorations, c_win10_15063), 2) << "build 16299 is not met";
    EXPECT_EQ(Choose(decorations, c_win81), 2);
    EXPECT_EQ(Choose({ L"NTamd64.10.0...16299" }, c_win81), -1);
    EXPECT_EQ(Choose({ L"NTamd64.6.3", L"NTamd64.6.1" }, c_win81), 0);
    EXPECT_EQ(Choose({ L"NTamd64...", L"NTamd64" }, c_win81), 0) << "empty fields are not given";
}

TEST(ModelsDecoration, ProductTypeAndSuiteMaskMustBeMet)
{
    const std::vector<LPCWSTR> decorations = { L"NTamd64.10.0.1", L"NTamd64.10.0.3" };
    EXPECT_EQ(Choose(decorations, c_win10_19041), 0);
    EXPECT_EQ(Choose(decorations, c_server2019), 1);
    EXPECT_EQ(Choose({ L"NTamd64.10.0..0x0010" }, c_server2019), 0);
    EXPECT_EQ(Choose({ L"NTamd64.10.0..0x0010" }, c_win10_19041), -1);
    // A more specific section of the same version beats a plainer one.
    EXPECT_EQ(Choose({ L"NTamd64.10.0", L"NTamd64.10.0.3" }, c_server2019), 1);
}

TEST(ModelsDecoration, MalformedDecorationsNeverMatch)
{
    for (LPCWSTR psz : { L"NTamd64.x", L"NTamd64.1.2.3.4.5.6", L"NTamd64.10.0..0x", L"NTamd64.999999999999",
                         L"NTamd64.10.0..0xZZ", L"NTamd64.-1" })
        EXPECT_EQ(Choose({ psz }, c_win10_19041), -1) << Narrow(psz);
}

// Decorations come from any INF a user names.
TEST(ModelsDecoration, RandomDecorationsEndingAtAGuardPage)
{
    CGuardedBuffer guard(256 * sizeof(WCHAR));
    ASSERT_TRUE(guard.IsValid());
    std::mt19937 random(20261208);
    const wchar_t c_szAlphabet[] = L"NTamd64x.0123456789Ffx";
    for (int iCase = 0; iCase < 20000; ++iCase) {
        std::wstring str = (random() % 2) ? L"NTamd64" : L"";
        const size_t cch = random() % 24;
        for (size_t i = 0; i < cch; ++i)
            str += c_szAlphabet[random() % (ARRAYSIZE(c_szAlphabet) - 1)];
        LPCWSTR psz = guard.PlaceWide(str.c_str(), str.size());
        const int iChosen = ChooseModelsDecoration(&psz, 1, c_win10_19041);
        ASSERT_TRUE(iChosen == -1 || iChosen == 0) << Narrow(str);
    }
}

} // namespace
