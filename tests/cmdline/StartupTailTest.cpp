// The tail that reaches wWinMain is cut by the C runtime's start-up; a program
// built like tavelin.exe reports what it received.
#include <gtest/gtest.h>

#include <string>

#include "support/TestFiles.h"

namespace {

class StartupTail : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_dir.Path().empty());
        std::wstring strFolder = m_dir.File(L"dir with blanks");
        ASSERT_TRUE(CreateDirectoryW(strFolder.c_str(), nullptr));
        m_strExe = strFolder + L"\\tail echo.exe";
        ASSERT_TRUE(CopyFileW((ModuleDir() + L"\\tail_echo.exe").c_str(), m_strExe.c_str(), FALSE));
    }

    // Starts the program with the whole command line and returns the tail it saw.
    std::wstring Run(const std::wstring& strCommandLine)
    {
        std::wstring strLine = strCommandLine;
        STARTUPINFOW si = {};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi = {};
        if (!CreateProcessW(m_strExe.c_str(), &strLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            return L"<not started>";
        WaitForSingleObject(pi.hProcess, 30000);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        std::string strBytes = ReadFileBytes(m_strExe + L".tail");
        DeleteFileW((m_strExe + L".tail").c_str());
        return std::wstring(reinterpret_cast<const wchar_t*>(strBytes.data()), strBytes.size() / sizeof(wchar_t));
    }

    std::wstring Quoted() const { return L"\"" + m_strExe + L"\""; }

    CScratchDir m_dir;
    std::wstring m_strExe;
};

TEST_F(StartupTail, QuotedProgramNameWithBlanksIsCutOff)
{
    EXPECT_EQ(Run(Quoted() + L"   /i  \"x y\"\t/q"), L"/i  \"x y\"\t/q");
}

TEST_F(StartupTail, NoArgumentsGiveAnEmptyTail)
{
    EXPECT_EQ(Run(Quoted()), L"");
    EXPECT_EQ(Run(Quoted() + L" \t "), L"");
}

TEST_F(StartupTail, NameRunsOnPastTheClosingQuoteUpToABlank)
{
    EXPECT_EQ(Run(Quoted() + L"/i /q"), L"/q");
}

TEST_F(StartupTail, TrailingBlanksStayInTheTail)
{
    EXPECT_EQ(Run(Quoted() + L" /u  "), L"/u  ");
}

} // namespace
