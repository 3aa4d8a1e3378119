// The progress road, end to end: the dialog's texts and bar during and after
// single, list, uninstall and preinstall runs, and the rule that the user
// cannot close it while a package call runs. The repair behind the dialog is
// in the repair road, which owns the test devices.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <set>
#include <string>

#include "E2eTexts.h"
#include "ProgramRun.h"

namespace {

const int c_idStatus = 1003;
const int c_idBar = 1002;

// Samples the dialog until the program ends: every status text and bar
// position it showed, in the order seen.
struct Observed
{
    std::vector<std::wstring> texts;
    std::vector<int> positions;
    int nRangeHigh = -1;
    int nRangeLow = -1;
    DWORD dwExit = 1;
    bool bEnded = false;
};

Observed Watch(CProgramRun& run, HWND hDlg)
{
    Observed o;
    // A sample counts only when the dialog was up before and after it: while
    // the dialog is being destroyed its controls read as empty.
    auto bUp = [&] { return IsWindow(hDlg) && IsWindowVisible(hDlg) && GetDlgItem(hDlg, c_idBar) != nullptr; };
    WaitUntil([&] {
        if (bUp()) {
            std::wstring strText = ItemText(hDlg, c_idStatus);
            int nPos = static_cast<int>(SendDlgItemMessageW(hDlg, c_idBar, PBM_GETPOS, 0, 0));
            int nHigh = static_cast<int>(SendDlgItemMessageW(hDlg, c_idBar, PBM_GETRANGE, FALSE, 0));
            int nLow = static_cast<int>(SendDlgItemMessageW(hDlg, c_idBar, PBM_GETRANGE, TRUE, 0));
            if (bUp()) {
                // Another test program's run may hold the package-call lock.
                if (!strText.empty() && strText != c_szWaiting && (o.texts.empty() || o.texts.back() != strText))
                    o.texts.push_back(strText);
                if (o.positions.empty() || o.positions.back() != nPos)
                    o.positions.push_back(nPos);
                o.nRangeHigh = nHigh;
                o.nRangeLow = nLow;
            }
        }
        return run.HasExited();
    }, 30000);
    o.bEnded = run.Wait(1000, &o.dwExit);
    return o;
}

class ProgressRoad : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_run.IsReady());
        // Slow package calls show the text during the run; a slow unregister
        // call at the very end keeps the final state on screen long enough
        // to be read.
        m_run.SetPackageDelay(600);
        m_run.SetUnregisterDelay(600);
    }

    HWND StartAndFind(const std::wstring& strArgs)
    {
        if (!m_run.Start(strArgs))
            return nullptr;
        return m_run.WaitForWindow(c_szProgressCaption, c_msStart);
    }

    CProgramRun m_run;
};

TEST_F(ProgressRoad, SingleInstallShowsThePathThenDone)
{
    m_run.SetThreadJournal(true);
    HWND hDlg = StartAndFind(L"/i /s drv\\a.inf");
    ASSERT_NE(hDlg, nullptr);
    Observed o = Watch(m_run, hDlg);
    ASSERT_TRUE(o.bEnded);
    EXPECT_EQ(o.dwExit, 0u);
    ASSERT_FALSE(o.texts.empty());
    EXPECT_NE(std::find(o.texts.begin(), o.texts.end(), std::wstring(c_szInstalling) + L" drv\\a.inf"), o.texts.end());
    EXPECT_EQ(o.texts.back(), std::wstring(c_szInstalling) + c_szDone);
    EXPECT_EQ(o.positions, (std::vector<int>{ 0 }));

    // The package call ran on the worker, not on the dialog's thread.
    std::vector<DWORD> threads = m_run.CallThreads();
    ASSERT_EQ(threads.size(), 1u);
    EXPECT_NE(threads[0], m_run.MainThreadId());
}

TEST_F(ProgressRoad, UninstallShowsTheRemovingTexts)
{
    HWND hDlg = StartAndFind(L"/u /s b.inf");
    ASSERT_NE(hDlg, nullptr);
    Observed o = Watch(m_run, hDlg);
    ASSERT_TRUE(o.bEnded);
    EXPECT_EQ(o.dwExit, 0u);
    EXPECT_NE(std::find(o.texts.begin(), o.texts.end(), std::wstring(c_szRemoving) + L" b.inf"), o.texts.end());
    ASSERT_FALSE(o.texts.empty());
    EXPECT_EQ(o.texts.back(), std::wstring(c_szRemoving) + c_szDone);
    EXPECT_EQ(m_run.Journal().at(1), "DriverPackageUninstallW flags=0x24 info=null reboot=set path=b.inf");
}

TEST_F(ProgressRoad, PreinstallShowsTheInstallTexts)
{
    HWND hDlg = StartAndFind(L"/p /s c.inf");
    ASSERT_NE(hDlg, nullptr);
    Observed o = Watch(m_run, hDlg);
    ASSERT_TRUE(o.bEnded);
    EXPECT_NE(std::find(o.texts.begin(), o.texts.end(), std::wstring(c_szInstalling) + L" c.inf"), o.texts.end());
    ASSERT_FALSE(o.texts.empty());
    EXPECT_EQ(o.texts.back(), std::wstring(c_szInstalling) + c_szDone);
    EXPECT_EQ(m_run.Journal().at(1), "DriverPackagePreinstallW flags=0x5 path=c.inf");
}

TEST_F(ProgressRoad, ListOfThreeStepsTheBarToThree)
{
    ASSERT_TRUE(m_run.Write(L"inflist.txt", ";inflist\r\na.inf\r\nfail.inf\r\nc.inf\r\n"));
    HWND hDlg = StartAndFind(L"/i");
    ASSERT_NE(hDlg, nullptr);
    Observed o = Watch(m_run, hDlg);
    ASSERT_TRUE(o.bEnded);
    EXPECT_EQ(o.dwExit, 0u);
    EXPECT_EQ(o.nRangeLow, 0);
    EXPECT_EQ(o.nRangeHigh, 3);
    EXPECT_EQ(o.positions, (std::vector<int>{ 0, 1, 2, 3 }));
    // A list run keeps the template text until the end.
    EXPECT_EQ(o.texts, (std::vector<std::wstring>{ c_szInstalling, std::wstring(c_szInstalling) + c_szDone }));
    EXPECT_EQ(m_run.Journal().size(), 5u);
}

TEST_F(ProgressRoad, MissingListStillEndsWithDone)
{
    HWND hDlg = StartAndFind(L"/u /l nowhere.txt");
    ASSERT_NE(hDlg, nullptr);
    Observed o = Watch(m_run, hDlg);
    ASSERT_TRUE(o.bEnded);
    EXPECT_EQ(o.dwExit, 0u);
    ASSERT_FALSE(o.texts.empty());
    EXPECT_EQ(o.texts.back(), std::wstring(c_szRemoving) + c_szDone);
}

TEST_F(ProgressRoad, UserCannotCloseTheDialogWhileAPackageCallRuns)
{
    // The call is held until the test has tried to close the dialog.
    ASSERT_TRUE(m_run.Hold(true, false));
    m_run.SetThreadJournal(true);
    HWND hDlg = StartAndFind(L"/i /s slow.inf");
    ASSERT_NE(hDlg, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return m_run.CallThreads().size() == 1; }, c_msStart)) << "no package call began";

    PostMessageW(hDlg, WM_COMMAND, IDCANCEL, 0);
    PostMessageW(hDlg, WM_COMMAND, IDOK, 0);
    PostMessageW(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0);
    PostMessageW(hDlg, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    PostMessageW(hDlg, WM_KEYDOWN, VK_RETURN, 0x001C0001);
    // Were the attempts obeyed, the dialog would be gone at once.
    EXPECT_FALSE(WaitUntil([&] { return !IsWindow(hDlg) || m_run.HasExited(); }, 700))
        << "the dialog closed in the middle of a package call";
    m_run.Release();

    Observed o = Watch(m_run, hDlg);
    ASSERT_TRUE(o.bEnded);
    EXPECT_EQ(o.dwExit, 0u);
    ASSERT_FALSE(o.texts.empty());
    EXPECT_EQ(o.texts.back(), std::wstring(c_szInstalling) + c_szDone);
    // The package call finished and the run was torn down.
    std::vector<std::string> journal = m_run.Journal();
    ASSERT_EQ(journal.size(), 3u);
    EXPECT_EQ(journal[2], "DIFXAPISetLogCallbackW callback=null context=null");
}

TEST_F(ProgressRoad, ShutdownAndLogoffAreRefusedWhileAPackageCallRuns)
{
    m_run.SetPackageDelay(1500);
    HWND hDlg = StartAndFind(L"/u /s slow.inf");
    ASSERT_NE(hDlg, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return m_run.Journal().size() >= 2; }, 5000)) << "no package call began";

    // Windows asks every top-level window before it ends the session; a FALSE
    // answer keeps the process alive.
    for (LPARAM lParam : { LPARAM(0), LPARAM(ENDSESSION_LOGOFF), LPARAM(ENDSESSION_CRITICAL) }) {
        DWORD_PTR dwAnswer = TRUE;
        ASSERT_TRUE(SendMessageTimeoutW(hDlg, WM_QUERYENDSESSION, 0, lParam, SMTO_ABORTIFHUNG, 5000, &dwAnswer));
        EXPECT_EQ(dwAnswer, static_cast<DWORD_PTR>(FALSE)) << "lParam " << lParam;
    }
    EXPECT_FALSE(m_run.HasExited());

    // The run goes on to its end as if nothing had been asked.
    Observed o = Watch(m_run, hDlg);
    ASSERT_TRUE(o.bEnded);
    EXPECT_EQ(o.dwExit, 0u);
    ASSERT_FALSE(o.texts.empty());
    EXPECT_EQ(o.texts.back(), std::wstring(c_szRemoving) + c_szDone);
    EXPECT_EQ(m_run.Journal().size(), 3u);
}

TEST_F(ProgressRoad, VeryLongPathIsShortenedOnScreen)
{
    std::wstring strPath = L"C:\\" + std::wstring(32000, L'q') + L"\\end.inf";
    HWND hDlg = StartAndFind(L"/i /s " + strPath);
    ASSERT_NE(hDlg, nullptr);
    Observed o = Watch(m_run, hDlg);
    ASSERT_TRUE(o.bEnded);
    EXPECT_EQ(o.dwExit, 0u);
    bool bSeen = false;
    for (const std::wstring& str : o.texts) {
        if (str.size() == 1023 && str.compare(0, wcslen(c_szInstalling) + 4, std::wstring(c_szInstalling) + L" ...") == 0 &&
            str.compare(str.size() - 8, 8, L"\\end.inf") == 0)
            bSeen = true;
    }
    EXPECT_TRUE(bSeen);
}

} // namespace
