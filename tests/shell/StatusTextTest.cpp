// The status text of a package: operation text, blank, path, and how a path
// too long for the buffer is shortened without a write past it.
#include <gtest/gtest.h>

#include <string>

#include "shell/StatusText.h"
#include "support/GuardPage.h"

namespace {

// Formats into a buffer of cch characters that ends at a no-access page.
std::wstring Format(size_t cch, const std::wstring& strOperation, const std::wstring& strPath)
{
    CGuardedBuffer guard(cch * sizeof(WCHAR));
    std::wstring strFill(cch, L'#');
    WCHAR* psz = static_cast<WCHAR*>(guard.Place(strFill.data(), cch * sizeof(WCHAR)));
    FormatPackageStatus(psz, cch, strOperation.c_str(), strPath.c_str());
    return std::wstring(psz);
}

TEST(PackageStatus, OperationBlankAndPath)
{
    EXPECT_EQ(Format(1024, L"Removing Previously Installed Device Drivers ...", L"C:\\drv\\a.inf"),
              L"Removing Previously Installed Device Drivers ... C:\\drv\\a.inf");
}

TEST(PackageStatus, EmptyPathLeavesTheBlank)
{
    EXPECT_EQ(Format(1024, L"Installing", L""), L"Installing ");
}

TEST(PackageStatus, PathThatExactlyFitsIsKeptWhole)
{
    std::wstring strOp = L"Installing";
    std::wstring strPath(1024 - 1 - strOp.size() - 1, L'p');
    EXPECT_EQ(Format(1024, strOp, strPath), strOp + L" " + strPath);
}

TEST(PackageStatus, LongPathKeepsItsEndBehindAnEllipsis)
{
    std::wstring strOp = L"Installing Selected Device Drivers ...";
    std::wstring strPath = L"C:\\" + std::wstring(32000, L'd') + L"\\driver.inf";
    std::wstring str = Format(1024, strOp, strPath);
    ASSERT_EQ(str.size(), 1023u);
    EXPECT_EQ(str.substr(0, strOp.size() + 4), strOp + L" ...");
    EXPECT_EQ(str.substr(str.size() - 11), L"\\driver.inf");
}

TEST(PackageStatus, OneCharacterTooLongIsShortened)
{
    std::wstring strOp = L"Op";
    // "Op " leaves 1020 characters; the path has 1021.
    std::wstring strPath = L"a" + std::wstring(1020, L'z');
    std::wstring str = Format(1024, strOp, strPath);
    ASSERT_EQ(str.size(), 1023u);
    EXPECT_EQ(str.substr(0, 6), L"Op ...");
    EXPECT_EQ(str.find(L'a'), std::wstring::npos);
}

TEST(PackageStatus, SurrogatePairIsNotCutInHalf)
{
    // The kept tail would begin with the low half of a pair: it is dropped.
    std::wstring strPair = L"\xD83D\xDE00";
    std::wstring strPath = std::wstring(50, L'x') + strPair + std::wstring(12, L'y');
    std::wstring str = Format(20, L"Op", strPath);
    // 19 characters of room: "Op " (3) + "..." (3) leaves 13; the tail of 13
    // would start at the low surrogate, so 12 are kept.
    EXPECT_EQ(str, L"Op ..." + std::wstring(12, L'y'));
    // A tail that starts at the high half keeps the whole pair.
    std::wstring strPath2 = std::wstring(50, L'x') + strPair + std::wstring(11, L'y');
    EXPECT_EQ(Format(20, L"Op", strPath2), L"Op ..." + strPair + std::wstring(11, L'y'));
}

TEST(PackageStatus, TinyBuffersStayTerminatedAndInside)
{
    for (size_t cch = 1; cch < 12; ++cch) {
        std::wstring str = Format(cch, L"Installing", L"C:\\path\\file.inf");
        EXPECT_LT(str.size(), cch);
    }
}

TEST(PackageStatus, RoomForNoMoreThanTheEllipsisShowsTheEndOfThePath)
{
    // "Op " leaves 1, 2 or 3 characters: the file name's last ones, no "...".
    EXPECT_EQ(Format(5, L"Op", L"C:\\drv\\file.inf"), L"Op f");
    EXPECT_EQ(Format(6, L"Op", L"C:\\drv\\file.inf"), L"Op nf");
    EXPECT_EQ(Format(7, L"Op", L"C:\\drv\\file.inf"), L"Op inf");
    // One more and the ellipsis comes back, with one character of the end.
    EXPECT_EQ(Format(8, L"Op", L"C:\\drv\\file.inf"), L"Op ...f");
    // No room at all after the blank.
    EXPECT_EQ(Format(4, L"Op", L"C:\\drv\\file.inf"), L"Op ");
}

TEST(PackageStatus, ShortEndWithoutEllipsisDoesNotStartInsideASurrogatePair)
{
    std::wstring strPair = L"\xD83D\xDE00";
    // Three characters of room: starting at the high half keeps the pair...
    EXPECT_EQ(Format(7, L"Op", L"C:\\a" + strPair + L"z"), L"Op " + strPair + L"z");
    // ...starting at the low half drops it.
    EXPECT_EQ(Format(7, L"Op", L"C:\\a" + strPair + L"zy"), L"Op zy");
}

TEST(PackageStatus, OperationTextLongerThanTheBufferIsCut)
{
    std::wstring str = Format(8, L"Installing", L"a.inf");
    EXPECT_EQ(str, L"Install");
}

} // namespace
