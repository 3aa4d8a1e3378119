// The program under stress: seeded random command lines that together use
// every token of the table, each run to its end with exit code 0 within its
// time; usage dialogs are closed as a person would.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "E2eTexts.h"
#include "ProgramRun.h"

namespace {

const wchar_t* const g_apszTokens[] = {
    L"/i", L"/u", L"/p", L"/f", L"/q", L"/q", L"/q", L"/l", L"/s", L"/a", L"/x", L"/?", L"-I", L"-Q", L"/",
    L"-", L"rezuv", L"Rezuv", L"list.txt", L"inflist.txt", L"a.inf", L"fail.inf", L"\"x y.inf\"", L"\"",
    L"\"\"", L"/iq", L"\u00e9t\u00e9.inf", L"C:\\nowhere\\z.inf", L"\t",
};
const size_t g_cTokens = sizeof(g_apszTokens) / sizeof(g_apszTokens[0]);
const int c_cTokensMax = 6;

// Command line iLine of the run: the empty line first; then every token of the
// table leads one line, so each is seen where an option belongs, followed by
// random tokens up to a length that cycles through 1..6.
std::wstring SpreadArgs(size_t iLine, std::mt19937& rng)
{
    if (iLine == 0)
        return std::wstring();
    std::uniform_int_distribution<size_t> pick(0, g_cTokens - 1);
    std::wstring str = g_apszTokens[iLine - 1];
    for (int i = static_cast<int>(iLine % c_cTokensMax); i > 0; --i)
        str += std::wstring(L" ") + g_apszTokens[pick(rng)];
    return str;
}

TEST(Stress, RandomCommandLinesAlwaysEndWithZero)
{
    std::mt19937 rng(8122026);
    CProgramRun run0;
    ASSERT_TRUE(run0.IsReady());
    for (size_t iRun = 0; iRun <= g_cTokens; ++iRun) {
        std::wstring strArgs = SpreadArgs(iRun, rng);
        SCOPED_TRACE("run " + std::to_string(iRun) + ": tavelin " + Narrow(strArgs));
        CProgramRun run;
        ASSERT_TRUE(run.IsReady());
        ASSERT_TRUE(run.Write(L"list.txt", ";inflist\r\na.inf\r\nfail.inf\r\n"));
        ASSERT_TRUE(run.Start(strArgs)) << "CreateProcess failed: " << run.StartError();

        // Close the usage dialog if it comes; a progress dialog closes itself.
        bool bEnded = WaitUntil([&] {
            for (HWND hWnd : run.VisibleWindows()) {
                if (WindowText(hWnd) == c_szUsageCaption)
                    PostMessageW(hWnd, WM_COMMAND, IDOK, 0);
            }
            return run.HasExited();
        }, 15000);
        ASSERT_TRUE(bEnded) << "did not end in time";
        DWORD dwExit = 1;
        ASSERT_TRUE(run.Wait(1000, &dwExit));
        // An unhandled exception would end the process with its code.
        ASSERT_EQ(dwExit, 0u);
    }
}

} // namespace
