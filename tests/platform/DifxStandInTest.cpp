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

TEST_F(StandIn, DelayVariableSlowsEachPackageCall)
{
    CEnvironmentSetting delay(L"DIFXSTUB_DELAY_MS", L"400");
    ULONGLONG tStart = GetTickCount64();
    EXPECT_EQ(Run(L"/i /s slow.inf"), 0);
    EXPECT_GE(GetTickCount64() - tStart, 380u);
}

TEST_F(StandIn, DelayThatIsNoNumberIsIgnored)
{
    CEnvironmentSetting delay(L"DIFXSTUB_DELAY_MS", L"3000ms");
    ULONGLONG tStart = GetTickCount64();
    EXPECT_EQ(Run(L"/i /s quick.inf"), 0);
    EXPECT_LT(GetTickCount64() - tStart, 2000u);
}

TEST_F(StandIn, ThreadsFileGetsTheCallingThreadOfEachPackageCall)
{
    std::wstring strThreads = m_dir.File(L"threads.txt");
    CEnvironmentSetting threads(L"DIFXSTUB_THREADS", strThreads);
    std::wstring strList = m_dir.File(L"list.txt");
    ASSERT_TRUE(WriteFileBytes(strList, ";inflist\na.inf\nb.inf\n"));
    Run(L"/u /l \"" + strList + L"\"");
    std::string strId = std::to_string(GetCurrentThreadId());
    EXPECT_EQ(ReadFileBytes(strThreads), strId + "\n" + strId + "\n");
}

TEST_F(StandIn, CallCountFileGetsTheNumberOfPackageCallsOnceTheDllIsUnloaded)
{
    // A second copy under another name loads as a module of its own, with its
    // own count, and can be unloaded while the imported one stays.
    const std::wstring strDll = m_dir.File(L"counted.dll");
    ASSERT_TRUE(CopyFileW((ModuleDir() + L"\\DIFXAPI.dll").c_str(), strDll.c_str(), FALSE));
    const std::wstring strCount = m_dir.File(L"count.txt");
    CEnvironmentSetting count(L"DIFXSTUB_CALL_COUNT", strCount);
    for (int nCalls : { 0, 3 }) {
        SCOPED_TRACE(nCalls);
        DeleteFileW(strCount.c_str());
        HMODULE hDll = LoadLibraryW(strDll.c_str());
        ASSERT_NE(hDll, nullptr);
        auto pfnPreinstall = reinterpret_cast<decltype(&DriverPackagePreinstallW)>(
            reinterpret_cast<void*>(GetProcAddress(hDll, "DriverPackagePreinstallW")));
        auto pfnInstall = reinterpret_cast<decltype(&DriverPackageInstallW)>(
            reinterpret_cast<void*>(GetProcAddress(hDll, "DriverPackageInstallW")));
        ASSERT_TRUE(pfnPreinstall && pfnInstall);
        for (int i = 0; i < nCalls; ++i)
            (i % 2 ? pfnPreinstall(L"a.inf", 0) : pfnInstall(L"fail.inf", 0, nullptr, nullptr));
        // Nothing is written while the DLL is loaded.
        EXPECT_FALSE(FileExists(strCount));
        ASSERT_TRUE(FreeLibrary(hDll));
        EXPECT_EQ(ReadFileBytes(strCount), std::to_string(nCalls) + "\n");
    }
}

void __cdecl IgnoreLogEvent(DIFXAPI_LOG, DWORD, PCWSTR, PVOID) {}

// Milliseconds one call of fn takes.
template <typename Fn>
ULONGLONG Timed(Fn fn)
{
    ULONGLONG tStart = GetTickCount64();
    fn();
    return GetTickCount64() - tStart;
}

TEST_F(StandIn, UnregisterDelaySlowsOnlyTheClearingCall)
{
    CEnvironmentSetting delay(L"DIFXSTUB_UNREGISTER_DELAY_MS", L"400");
    int nContext = 0;
    EXPECT_LT(Timed([&] { DIFXAPISetLogCallbackW(&IgnoreLogEvent, &nContext); }), 300u);
    EXPECT_LT(Timed([] { DriverPackagePreinstallW(L"quick.inf", 0); }), 300u);
    EXPECT_GE(Timed([] { DIFXAPISetLogCallbackW(nullptr, nullptr); }), 380u);
    EXPECT_EQ(JournalLines(), (Lines{ "DIFXAPISetLogCallbackW callback=set context=set",
                                      "DriverPackagePreinstallW flags=0x0 path=quick.inf",
                                      "DIFXAPISetLogCallbackW callback=null context=null" }));
}

// The binaries

TEST(StandInImage, LoadedDifxapiIsTheFileBesideTheProgram)
{
    HMODULE hDifx = GetModuleHandleW(L"DIFXAPI.dll");
    ASSERT_NE(hDifx, nullptr);
    WCHAR szPath[MAX_PATH];
    DWORD cch = GetModuleFileNameW(hDifx, szPath, MAX_PATH);
    ASSERT_GT(cch, 0u);
    EXPECT_EQ(CompareStringOrdinal(szPath, -1, (ModuleDir() + L"\\DIFXAPI.dll").c_str(), -1, TRUE), CSTR_EQUAL)
        << Narrow(szPath);
}

TEST(StandInImage, StandInExportsExactlyTheFourFunctions)
{
    HMODULE hDifx = GetModuleHandleW(L"DIFXAPI.dll");
    ASSERT_NE(hDifx, nullptr);
    EXPECT_EQ(ExportedNames(hDifx), (Lines{ "DIFXAPISetLogCallbackW", "DriverPackageInstallW",
                                            "DriverPackagePreinstallW", "DriverPackageUninstallW" }));
}

TEST(StandInImage, StandInNeedsNoCompilerRuntimeDll)
{
    HMODULE hDifx = GetModuleHandleW(L"DIFXAPI.dll");
    ASSERT_NE(hDifx, nullptr);
    Lines dlls = ImportedDlls(hDifx);
    ASSERT_FALSE(dlls.empty());
    for (const std::string& strDll : dlls) {
        std::string strLower;
        for (char ch : strDll)
            strLower.push_back(static_cast<char>(tolower(static_cast<unsigned char>(ch))));
        EXPECT_TRUE(strLower == "kernel32.dll" || strLower == "msvcrt.dll") << strDll;
    }
}

} // namespace
