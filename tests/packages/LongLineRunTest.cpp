// A list line too long to be read whole: its pieces stay entries, each gets
// 206 without a package call and an event naming the line, and the rest of
// the list runs, for every operation.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeDifx.h"
#include "ListLoad.h"
#include "RecordingCallback.h"
#include "cmdline/CommandLineInfo.h"

namespace {

const DWORD c_dwTooLong = ERROR_FILENAME_EXCED_RANGE;

struct LONG_LINE_CASE
{
    const char* pszName;
    std::string strLines;       // after the header line
    size_t cPieces;             // entries that get 206
    std::vector<UINT> pieceLines; // the list line each piece names
    size_t cCalls;              // package calls made (every entry but the pieces)
};

std::string Long(size_t cb, char ch = 'x')
{
    return std::string(cb, ch);
}

std::vector<LONG_LINE_CASE> Cases()
{
    return {
        { "a line of 1023 bytes and its line end: two pieces", "a.inf\n" + Long(1023) + "\nb.inf\n", 2, { 3, 3 }, 2 },
        // The tail of a long path names a package beside the list.
        { "a long path whose tail is a relative path", "C:\\deploy\\" + Long(1013) + "good\\pkg.inf\nb.inf\n", 2,
          { 2, 2 }, 1 },
        { "three pieces, then a whole line", Long(2500) + "\nb.inf\n", 3, { 2, 2, 2 }, 1 },
        { "two long lines", Long(1100) + "\n" + Long(1100) + "\n", 4, { 2, 2, 3, 3 }, 0 },
        { "a last line of 1023 bytes without a line end is whole", "a.inf\n" + Long(1023), 0, {}, 2 },
        { "a last line of 1024 bytes without a line end", "a.inf\n" + Long(1024), 2, { 3, 3 }, 1 },
        { "a line of 1022 bytes and CR LF is whole", Long(1022) + "\r\nb.inf\r\n", 0, {}, 2 },
        { "a NUL byte does not hide a long line", std::string("a\0", 2) + Long(1100) + "\nb.inf\n", 2, { 2, 2 }, 1 },
    };
}

class LongLineRun : public ::testing::TestWithParam<INT>
{
protected:
    void SetUp() override { ResetFakes(); }

    CScratchDir m_dir;
    CRecordingCallback m_rec;
};

TEST_P(LongLineRun, NoPieceOfALongLineIsActedOn)
{
    const INT nOperation = GetParam();
    for (const LONG_LINE_CASE& c : Cases()) {
        SCOPED_TRACE(c.pszName);
        ResetFakes();
        const std::wstring strPath = m_dir.File(L"list.txt");
        ASSERT_TRUE(WriteFileBytes(strPath, ";inflist\n" + c.strLines));
        RUN_SUMMARY summary = {};
        size_t cEntries = 0;
        {
            CDriverPackageBatch batch(&m_rec);
            batch.m_strListFile.Assign(strPath.c_str());
            batch.RunList(nOperation, true);
            summary = batch.m_summary;
            cEntries = EntriesOf(batch).size();
        }
        EXPECT_EQ(cEntries, c.cPieces + c.cCalls);
        size_t cCalls = 0;
        std::vector<UINT> pieceLines;
        for (size_t i = 0; i < EventCount(); ++i) {
            const TIMELINE_EVENT& ev = EventAt(i);
            if (ev.kind == EEvent::Install || ev.kind == EEvent::Uninstall || ev.kind == EEvent::Preinstall)
                ++cCalls;
            const std::wstring strText = ev.szText;
            const std::wstring strStart = L"Line ";
            if (ev.kind == EEvent::OnLogEvent && ev.dw == c_dwTooLong && ev.n == DIFXAPI_ERROR &&
                strText.rfind(strStart, 0) == 0 &&
                strText.find(L" of the list is longer than 1022 bytes and was read in pieces: no piece of it is "
                             L"acted on") != std::wstring::npos)
                pieceLines.push_back(static_cast<UINT>(_wtoi(strText.c_str() + strStart.size())));
        }
        // /v checks instead of calling: none of its checks reaches DIFx.
        EXPECT_EQ(cCalls, nOperation == opVerify ? 0 : c.cCalls);
        EXPECT_EQ(pieceLines, c.pieceLines);
        EXPECT_EQ(summary.cTried, c.cPieces + c.cCalls);
        EXPECT_GE(summary.cFailed, c.cPieces);
        if (c.cPieces > 0 && nOperation != opVerify) {
            EXPECT_EQ(summary.dwFirstFailure, c_dwTooLong);
        }
        EXPECT_EQ(EventsOf(EEvent::StepDone).size(), c.cPieces + c.cCalls);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryOperation, LongLineRun, ::testing::Values(opInstall, opUninstall, opPreinstall, opVerify));

} // namespace
