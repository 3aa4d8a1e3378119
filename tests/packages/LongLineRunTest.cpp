// A list line too long to be read whole: each piece stays an entry and gets
// 206 with an event naming the line, without a package call, and the rest of
// the list runs, for every operation.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeDifx.h"
#include "ListLoad.h"
#include "RecordingCallback.h"
#include "cmdline/CommandLineInfo.h"

namespace {

struct LONG_LINE_CASE
{
    std::string strLines;         // after the header line
    std::vector<UINT> pieceLines; // per piece, the list line its event names
    size_t cCalls;                // the other entries, each a package call
};

const std::string x1013(1013, 'x');
const LONG_LINE_CASE g_rgCases[] = {
    // The tail of a long path is the relative path of a package beside the list.
    { "C:\\deploy\\" + x1013 + "good\\pkg.inf\nb.inf\n", { 2, 2 }, 1 },
    { "a.inf\n" + std::string(1023, 'x') + "\nb.inf\n", { 3, 3 }, 2 }, // the line end alone is a piece
    { std::string(2500, 'x') + "\n" + std::string(1100, 'x') + "\n", { 2, 2, 2, 3, 3 }, 0 },
    { "a.inf\n" + std::string(1023, 'x'), {}, 2 },  // a last line without a line end that fits is whole
    { std::string(1022, 'x') + "\r\nb.inf\r\n", {}, 2 },
    { std::string("a\0", 2) + std::string(1100, 'x') + "\n", { 2, 2 }, 0 }, // a NUL hides no long line
};

class LongLineRun : public ::testing::TestWithParam<INT> {};

TEST_P(LongLineRun, NoPieceOfALongLineIsActedOn)
{
    CScratchDir dir;
    CRecordingCallback rec;
    for (const LONG_LINE_CASE& c : g_rgCases) {
        SCOPED_TRACE(c.strLines.substr(0, 40));
        ResetFakes();
        ASSERT_TRUE(WriteFileBytes(dir.File(L"list.txt"), ";inflist\n" + c.strLines));
        CDriverPackageBatch batch(&rec);
        batch.m_strListFile.Assign(dir.File(L"list.txt").c_str());
        batch.RunList(GetParam(), true);
        EXPECT_EQ(EntriesOf(batch).size(), c.pieceLines.size() + c.cCalls);
        EXPECT_EQ(batch.m_summary.cTried, c.pieceLines.size() + c.cCalls);
        size_t cCalls = 0;
        std::vector<UINT> pieceLines;
        for (size_t i = 0; i < EventCount(); ++i) {
            const TIMELINE_EVENT& ev = EventAt(i);
            cCalls += ev.kind == EEvent::Install || ev.kind == EEvent::Uninstall || ev.kind == EEvent::Preinstall;
            const std::wstring strText = ev.szText;
            if (ev.kind == EEvent::OnLogEvent && ev.dw == ERROR_FILENAME_EXCED_RANGE && ev.n == DIFXAPI_ERROR &&
                strText.find(L" of the list is longer than 1022 bytes and was read in pieces: no piece of it is "
                             L"acted on") != std::wstring::npos)
                pieceLines.push_back(static_cast<UINT>(_wtoi(strText.c_str() + 5)));
        }
        // /v checks instead of calling DIFx.
        EXPECT_EQ(cCalls, GetParam() == opVerify ? 0 : c.cCalls);
        EXPECT_EQ(pieceLines, c.pieceLines);
        if (!c.pieceLines.empty() && GetParam() != opVerify) {
            EXPECT_EQ(batch.m_summary.dwFirstFailure, static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryOperation, LongLineRun, ::testing::Values(opInstall, opUninstall, opPreinstall, opVerify));

} // namespace
