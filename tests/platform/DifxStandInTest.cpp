// The package runs through the generated import library into the stand-in
// DIFXAPI.dll beside this program (not Wine's builtin stub, which answers 0 to
// everything and keeps no journal).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PeImage.h"
#include "cmdline/CommandLineInfo.h"
#include "cmdline/CommandLineTokenizer.h"
#include "devfix/MtpConflict.h"
#include "packages/DiffxApiCallback.h"
#include "packages/DriverOperation.h"
#include "platform/difx/DifxApi.h"
#include "support/TestFiles.h"

namespace {
int g_nRepairCalls = 0;
}

// The repair lives in another library; here it only counts.
DWORD FixMtpDriverConflict(CRepairReport*)
{
    ++g_nRepairCalls;
    return 0;
}

namespace {

using Lines = std::vector<std::string>;

class CTextRecorder : public CDiffxApiCallback
{
public:
    void OnLogEvent(INT nEventType, DWORD dwError, LPCWSTR pszEventText) override
    {
        char szCode[16];
        snprintf(szCode, sizeof(szCode), "0x%lX", dwError);
        m_events.push_back("OnLogEvent(" + std::to_string(nEventType) + ", " + szCode + ", " +
                           Narrow(pszEventText) + ")");
    }
    void SetTotal(INT nCount) override { m_events.push_back("SetTotal(" + std::to_string(nCount) + ")"); }
    void StepDone() override { m_events.push_back("StepDone"); }
    void BeginPackage(INT nOperation, LPCWSTR pszInfPath) override
    {
        m_events.push_back("BeginPackage(" + std::to_string(nOperation) + ", " + Narrow(pszInfPath) + ")");
    }
    void EndOperation(INT nOperation, bool bDone) override
    {
        m_events.push_back("EndOperation(" + std::to_string(nOperation) + ", " + (bDone ? "true" : "false") + ")");
    }

    Lines m_events;
};

// Sets an environment variable for the life of the holder.
class CEnvironmentSetting
{
public:
    CEnvironmentSetting(LPCWSTR pszName, const std::wstring& strValue) : m_pszName(pszName)
    {
        SetEnvironmentVariableW(pszName, strValue.c_str());
    }
    ~CEnvironmentSetting() { SetEnvironmentVariableW(m_pszName, nullptr); }
    CEnvironmentSetting(const CEnvironmentSetting&) = delete;
    CEnvironmentSetting& operator=(const CEnvironmentSetting&) = delete;

private:
    LPCWSTR m_pszName;
};

class StandIn : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_dir.Path().empty());
        g_nRepairCalls = 0;
    }

    INT Run(const std::wstring& strTail)
    {
        CTavelinCommandLineInfo info;
        std::wstring strCopy = strTail;
        ParseCommandLineInto(&strCopy[0], info);
        return RunDriverOperation(&m_rec, info);
    }

    std::string JournalBytes() const { return ReadFileBytes(m_strJournal); }

    Lines JournalLines() const
    {
        Lines lines;
        std::string strBytes = JournalBytes();
        size_t pos = 0;
        for (size_t lf; (lf = strBytes.find('\n', pos)) != std::string::npos; pos = lf + 1)
            lines.push_back(strBytes.substr(pos, lf - pos));
        if (pos < strBytes.size())
            lines.push_back("<unterminated> " + strBytes.substr(pos));
        return lines;
    }

    CScratchDir m_dir;
    std::wstring m_strJournal = m_dir.File(L"journal.txt");
    CEnvironmentSetting m_journal{ L"DIFXSTUB_JOURNAL", m_strJournal };
    CTextRecorder m_rec;
};

// The runs end to end

TEST_F(StandIn, ListRunReachesTheStandInForEveryEntry)
{
    std::wstring strList = m_dir.File(L"list.txt");
    ASSERT_TRUE(WriteFileBytes(strList, ";inflist\r\na.inf\r\nsub\\b-FAIL.inf\r\nc.inf\r\n"));
    EXPECT_EQ(Run(L"/i /q /l \"" + strList + L"\""), 0);
    EXPECT_EQ(JournalLines(), (Lines{
                                  "DIFXAPISetLogCallbackW callback=set context=set",
                                  "DriverPackageInstallW flags=0x3 info=null reboot=set path=a.inf",
                                  "DriverPackageInstallW flags=0x3 info=null reboot=set path=sub\\b-FAIL.inf",
                                  "DriverPackageInstallW flags=0x3 info=null reboot=set path=c.inf",
                                  "DIFXAPISetLogCallbackW callback=null context=null",
                              }));
    EXPECT_EQ(m_rec.m_events, (Lines{
                                  "SetTotal(3)",
                                  "OnLogEvent(1, 0x0, DriverPackageInstallW: a.inf)",
                                  "OnLogEvent(0, 0x0, done)",
                                  "StepDone",
                                  "OnLogEvent(1, 0x0, DriverPackageInstallW: sub\\b-FAIL.inf)",
                                  "OnLogEvent(3, 0x2, failed)",
                                  "StepDone",
                                  "OnLogEvent(1, 0x0, DriverPackageInstallW: c.inf)",
                                  "OnLogEvent(0, 0x0, done)",
                                  "StepDone",
                                  "EndOperation(2, true)",
                              }));
}

TEST_F(StandIn, FailInThePathGivesFileNotFound)
{
    EXPECT_EQ(Run(L"/u /s C:\\drivers\\Fail.inf"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(JournalLines(), (Lines{
                                  "DIFXAPISetLogCallbackW callback=set context=set",
                                  "DriverPackageUninstallW flags=0x24 info=null reboot=set path=C:\\drivers\\Fail.inf",
                                  "DIFXAPISetLogCallbackW callback=null context=null",
                              }));
    EXPECT_EQ(m_rec.m_events, (Lines{
                                  "BeginPackage(3, C:\\drivers\\Fail.inf)",
                                  "OnLogEvent(1, 0x0, DriverPackageUninstallW: C:\\drivers\\Fail.inf)",
                                  "OnLogEvent(3, 0x2, failed)",
                                  "EndOperation(3, true)",
                                  "EndOperation(3, true)",
                              }));
}

TEST_F(StandIn, FailWithAHexCodeGivesThatCode)
{
    EXPECT_EQ(Run(L"/p /q /s x-fail-0xE0000302.inf"), static_cast<INT>(0xE0000302u));
    EXPECT_EQ(JournalLines()[1], "DriverPackagePreinstallW flags=0x7 path=x-fail-0xE0000302.inf");
    ASSERT_GE(m_rec.m_events.size(), 3u);
    EXPECT_EQ(m_rec.m_events[2], "OnLogEvent(3, 0xE0000302, failed)");
}

TEST_F(StandIn, PreinstallWithoutQuietHasFlags5)
{
    EXPECT_EQ(Run(L"/p /s ok.inf"), 0);
    EXPECT_EQ(JournalLines()[1], "DriverPackagePreinstallW flags=0x5 path=ok.inf");
}

TEST_F(StandIn, NonAsciiPathIsJournaledInUtf8)
{
    EXPECT_EQ(Run(L"/i /s d\u00e9\u4e2d.inf"), 0);
    EXPECT_NE(JournalBytes().find("reboot=set path=d\xC3\xA9\xE4\xB8\xAD.inf\n"), std::string::npos);
}

TEST_F(StandIn, RepairOnlyUnregistersTheLogCallback)
{
    EXPECT_EQ(Run(L"/f rezuv /s a.inf"), 0);
    EXPECT_EQ(g_nRepairCalls, 1);
    EXPECT_EQ(JournalLines(), Lines{ "DIFXAPISetLogCallbackW callback=null context=null" });
    EXPECT_TRUE(m_rec.m_events.empty());
}

} // namespace
