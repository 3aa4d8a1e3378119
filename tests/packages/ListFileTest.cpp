// The INF list file format, rule by rule, against real files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CurrentFolder.h"
#include "FakeDifx.h"
#include "ListLoad.h"
#include "RecordingCallback.h"
#include "support/FailAlloc.h"

namespace {

using Entries = std::vector<std::wstring>;

// The bytes of a literal, embedded NULs included.
template <size_t N>
std::string Bytes(const char (&sz)[N])
{
    return std::string(sz, N - 1);
}

class InfListFile : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_FALSE(m_dir.Path().empty()); }
    LIST_LOAD Load(const std::string& strBytes) { return LoadListBytes(m_dir, strBytes); }

    CScratchDir m_dir;
};

// Header line

TEST_F(InfListFile, HeaderOnlyWithLineEndIsAnEmptyList)
{
    LIST_LOAD load = Load(";inflist\n");
    EXPECT_TRUE(load.bLoaded);
    EXPECT_EQ(load.totals, std::vector<int>{ 0 });
    EXPECT_TRUE(load.entries.empty());
}

TEST_F(InfListFile, HeaderOnlyWithoutLineEndIsAnEmptyList)
{
    LIST_LOAD load = Load(";inflist");
    EXPECT_TRUE(load.bLoaded);
    EXPECT_EQ(load.totals, std::vector<int>{ 0 });
    EXPECT_TRUE(load.entries.empty());
}

TEST_F(InfListFile, HeaderInCapitalsIsAcceptedAndPathsKeepFileOrder)
{
    LIST_LOAD load = Load(";INFLIST\nb.inf\na.inf\n");
    EXPECT_TRUE(load.bLoaded);
    EXPECT_EQ(load.totals, std::vector<int>{ 2 });
    EXPECT_EQ(load.entries, (Entries{ L"b.inf", L"a.inf" }));
}

TEST_F(InfListFile, HeaderInMixedCaseIsAccepted)
{
    LIST_LOAD load = Load(";InFlIsT\r\nx.inf");
    EXPECT_TRUE(load.bLoaded);
    EXPECT_EQ(load.entries, Entries{ L"x.inf" });
}

TEST_F(InfListFile, WrongHeadersAreRejectedWithTotalZeroAndNoEntry)
{
    const char* const headers[] = {
        ";inflist \na.inf\n",                 // trailing blank
        " ;inflist\na.inf\n",                 // leading blank
        ";inflist\t\na.inf\n",                // trailing tab
        "inflist\na.inf\n",                   // no semicolon
        ";inflis\na.inf\n",                   // too short
        ";inflistx\na.inf\n",                 // too long
        "\xEF\xBB\xBF;inflist\na.inf\n",      // UTF-8 byte-order mark
        "\na.inf\n",                          // empty first line
        ";inflist\r\r\na.inf\n",              // a CR that text mode keeps
        "a.inf\n;inflist\n",                  // header not on line 1
    };
    for (const char* pszBytes : headers) {
        SCOPED_TRACE(pszBytes);
        LIST_LOAD load = Load(pszBytes);
        EXPECT_FALSE(load.bLoaded);
        EXPECT_EQ(load.totals, std::vector<int>{ 0 });
        EXPECT_TRUE(load.entries.empty());
    }
}

TEST_F(InfListFile, Utf16FileFailsTheHeader)
{
    LIST_LOAD load = Load(Bytes("\xFF\xFE;\0i\0n\0f\0l\0i\0s\0t\0\n\0a\0.\0i\0n\0f\0\n\0"));
    EXPECT_FALSE(load.bLoaded);
    EXPECT_EQ(load.totals, std::vector<int>{ 0 });
    EXPECT_TRUE(load.entries.empty());
}

// Lines

TEST_F(InfListFile, ZeroByteFileIsAValidEmptyList)
{
    LIST_LOAD load = Load("");
    EXPECT_TRUE(load.bLoaded);
    EXPECT_EQ(load.totals, std::vector<int>{ 0 });
    EXPECT_TRUE(load.entries.empty());
}

TEST_F(InfListFile, EmptyLineIsAnEntryWithAnEmptyPath)
{
    LIST_LOAD load = Load(";inflist\na.inf\n\nb.inf\n");
    EXPECT_TRUE(load.bLoaded);
    EXPECT_EQ(load.totals, std::vector<int>{ 3 });
    EXPECT_EQ(load.entries, (Entries{ L"a.inf", L"", L"b.inf" }));
}

TEST_F(InfListFile, CrLfLineEndsLeaveNeitherCharacter)
{
    LIST_LOAD load = Load(";inflist\r\na.inf\r\nb.inf\r\n");
    EXPECT_EQ(load.entries, (Entries{ L"a.inf", L"b.inf" }));
}

TEST_F(InfListFile, LoneCrIsAnOrdinaryCharacter)
{
    LIST_LOAD load = Load(";inflist\na\rb.inf\nc.inf\r\r\n");
    EXPECT_EQ(load.entries, (Entries{ L"a\rb.inf", L"c.inf\r" }));
}

TEST_F(InfListFile, BlanksAroundAPathArePartOfIt)
{
    LIST_LOAD load = Load(";inflist\n  a.inf \n\tb.inf\n");
    EXPECT_EQ(load.entries, (Entries{ L"  a.inf ", L"\tb.inf" }));
}

TEST_F(InfListFile, SemicolonLinesAreNotComments)
{
    LIST_LOAD load = Load(";inflist\n;inflist\n; note\n");
    EXPECT_EQ(load.entries, (Entries{ L";inflist", L"; note" }));
}

TEST_F(InfListFile, LastLineNeedsNoLineEnd)
{
    LIST_LOAD load = Load(";inflist\na.inf\nb.inf");
    EXPECT_EQ(load.entries, (Entries{ L"a.inf", L"b.inf" }));
}

TEST_F(InfListFile, CtrlZEndsTheFile)
{
    LIST_LOAD load = Load(";inflist\na.inf\nb.inf\x1A\nc.inf\nd.inf\n");
    EXPECT_TRUE(load.bLoaded);
    EXPECT_EQ(load.totals, std::vector<int>{ 2 });
    EXPECT_EQ(load.entries, (Entries{ L"a.inf", L"b.inf" }));
}

TEST_F(InfListFile, CtrlZInsideTheHeaderCutsIt)
{
    LIST_LOAD load = Load(";inf\x1Alist\na.inf\n");
    EXPECT_FALSE(load.bLoaded);
    EXPECT_TRUE(load.entries.empty());
}

TEST_F(InfListFile, NulEndsTheLinesText)
{
    LIST_LOAD load = Load(Bytes(";inflist\na.inf\0junk\nb.inf\n\0\n"));
    EXPECT_EQ(load.totals, std::vector<int>{ 3 });
    EXPECT_EQ(load.entries, (Entries{ L"a.inf", L"b.inf", L"" }));
}

TEST_F(InfListFile, NulInTheHeaderLineEndsItsText)
{
    LIST_LOAD load = Load(Bytes(";inflist\0 trailing\na.inf\n"));
    EXPECT_TRUE(load.bLoaded);
    EXPECT_EQ(load.entries, Entries{ L"a.inf" });
}

TEST_F(InfListFile, AnsiBytesConvertThroughTheAnsiCodePage)
{
    const std::string strPath = "C:\\dr\xE9\xE8\x80\xA0\xFFv\\x.inf";
    LIST_LOAD load = Load(";inflist\n" + strPath + "\n");
    ASSERT_EQ(load.entries.size(), 1u);
    EXPECT_EQ(load.entries[0], FromAnsi(strPath));
    EXPECT_NE(load.entries[0], Widen("C:\\dr")) << "conversion stopped early";
}

// Pieces of at most 1023 bytes

TEST_F(InfListFile, PathOf1023BytesWithLineEndGivesThePathThenAnEmptyEntry)
{
    const std::string strPath(1023, 'p');
    LIST_LOAD load = Load(";inflist\n" + strPath + "\nnext.inf\n");
    EXPECT_EQ(load.totals, std::vector<int>{ 3 });
    EXPECT_EQ(load.entries, (Entries{ Widen(strPath), L"", L"next.inf" }));
}

TEST_F(InfListFile, LastLineOf1023BytesWithoutLineEndIsOneEntry)
{
    const std::string strPath(1023, 'p');
    LIST_LOAD load = Load(";inflist\n" + strPath);
    EXPECT_EQ(load.entries, Entries{ Widen(strPath) });
}

TEST_F(InfListFile, LastLineOf1024BytesWithoutLineEndIsTwoEntries)
{
    const std::string strPath = std::string(1023, 'p') + "q";
    LIST_LOAD load = Load(";inflist\n" + strPath);
    EXPECT_EQ(load.entries, (Entries{ Widen(std::string(1023, 'p')), L"q" }));
}

TEST_F(InfListFile, LongLineIsReadInPiecesOfAtMost1023Bytes)
{
    std::string strLine;
    for (int i = 0; i < 2500; ++i)
        strLine.push_back(static_cast<char>('a' + i % 26));
    LIST_LOAD load = Load(";inflist\n" + strLine + "\nz.inf\n");
    ASSERT_EQ(load.totals, std::vector<int>{ 4 });
    EXPECT_EQ(load.entries, (Entries{ Widen(strLine.substr(0, 1023)), Widen(strLine.substr(1023, 1023)),
                                      Widen(strLine.substr(2046)), L"z.inf" }));
}

TEST_F(InfListFile, HighBytesAcrossAWholePieceStayWithinTheEntry)
{
    const std::string strPath(1023, '\xE9');
    LIST_LOAD load = Load(";inflist\n" + strPath + "\n");
    ASSERT_EQ(load.entries.size(), 2u);
    EXPECT_EQ(load.entries[0], FromAnsi(strPath));
    EXPECT_LE(load.entries[0].size(), 1023u);
}

// Opening the file

TEST_F(InfListFile, MissingFileIsNotLoadedAndNotReported)
{
    LIST_LOAD load = LoadListFile(m_dir.File(L"absent.txt"));
    EXPECT_FALSE(load.bLoaded);
    EXPECT_TRUE(load.totals.empty());
    EXPECT_TRUE(load.entries.empty());
}

TEST_F(InfListFile, FileHeldOpenByAWriterIsStillRead)
{
    std::wstring strPath = m_dir.File(L"open.txt");
    ASSERT_TRUE(WriteFileBytes(strPath, ";inflist\na.inf\n"));
    HANDLE h = CreateFileW(strPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    LIST_LOAD load = LoadListFile(strPath);
    CloseHandle(h);
    EXPECT_TRUE(load.bLoaded);
    EXPECT_EQ(load.entries, Entries{ L"a.inf" });
}

TEST_F(InfListFile, FileLockedAgainstReadersIsNotLoadedAndNotReported)
{
    std::wstring strPath = m_dir.File(L"locked.txt");
    ASSERT_TRUE(WriteFileBytes(strPath, ";inflist\na.inf\n"));
    HANDLE h = CreateFileW(strPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    LIST_LOAD load = LoadListFile(strPath);
    CloseHandle(h);
    EXPECT_FALSE(load.bLoaded);
    EXPECT_TRUE(load.totals.empty());
}

TEST_F(InfListFile, AbsentListPathOpensNothingEvenWithADefaultListPresent)
{
    // The default list lies in the current folder; a list path whose copy
    // failed must not fall back to it.
    ResetFakes();
    ASSERT_TRUE(WriteFileBytes(m_dir.File(L"inflist.txt"), ";inflist\na.inf\n"));
    CCurrentFolder cwd(m_dir.Path());
    ASSERT_TRUE(cwd.IsChanged());
    bool bLoaded = true;
    {
        CRecordingCallback rec;
        CDriverPackageBatch batch(&rec);
        {
            CFailAlloc fail(0);
            batch.m_strListFile.Assign(L"elsewhere.txt");
        }
        ASSERT_TRUE(batch.m_strListFile.IsAbsent());
        bLoaded = batch.LoadInfList();
        EXPECT_TRUE(EntriesOf(batch).empty());
    }
    EXPECT_FALSE(bLoaded);
    EXPECT_TRUE(EventsOf(EEvent::SetTotal).empty());
}

} // namespace
