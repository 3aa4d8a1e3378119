// What the real program reports when the machine is against it: a device
// the repair cannot remove, the lock a killed run left behind or one that
// cannot be had at all, and the staged copy as Windows names it (oem<N>.inf
// with oem<N>.cat), which Wine's own staging never makes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "E2eTexts.h"
#include "ProgramRun.h"
#include "TestDeviceClass.h"
#include "UsbDeviceRegistry.h"
#include "support/DriverPackages.h"

namespace {

const wchar_t c_szLockName[] = L"Global\\TavelinDriverPackageCall";

bool LogHas(const CProgramRun& run, const std::string& strText)
{
    return ReadFileBytes(run.File(L"run.log")).find(strText) != std::string::npos;
}

TEST(FailureRun, ARepairThatCannotRemoveADeviceExitsWithItsCode)
{
    ASSERT_TRUE(ClearTestDevices());
    CTestDeviceClass cls(L"{7A7A2100-0021-4E21-9A21-0000000000E1}");
    ASSERT_TRUE(cls.IsReady()) << "the test class installer is missing";
    ASSERT_TRUE(cls.FailRemovalWith(ERROR_ACCESS_DENIED));
    CRegistryDevice stuck(L"USB", L"VID_7A7A&PID_0F21");
    CRegistryDevice removable(L"USB", L"VID_7A7A&PID_0F22");
    ASSERT_TRUE(stuck.IsDefined() && DefineConflictingMtpDevice(stuck) && stuck.SetString(L"ClassGUID", cls.Guid()));
    ASSERT_TRUE(removable.IsDefined() && DefineConflictingMtpDevice(removable));

    CProgramRun run;
    ASSERT_TRUE(run.IsReady());
    EXPECT_EQ(run.RunToEnd(L"/f rezuv /q /e /o run.log", c_msStart), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(LogHas(run, "repair failed to remove device \"" + Narrow(stuck.InstanceId()) + "\": 0x00000005"))
        << ReadFileBytes(run.File(L"run.log"));
    EXPECT_TRUE(LogHas(run, "repair removed device \"" + Narrow(removable.InstanceId()) + "\""));
    EXPECT_TRUE(LogHas(run, "exit code with /e: 5 (0x00000005)"));
    EXPECT_TRUE(stuck.Exists());
    EXPECT_FALSE(removable.Exists());

    // Without /e the failure shows in the log only.
    CRegistryDevice again(L"USB", L"VID_7A7A&PID_0F23");
    ASSERT_TRUE(again.IsDefined() && DefineConflictingMtpDevice(again) && again.SetString(L"ClassGUID", cls.Guid()));
    CProgramRun plain;
    ASSERT_TRUE(plain.IsReady());
    EXPECT_EQ(plain.RunToEnd(L"/f rezuv /q /o run.log", c_msStart), 0u);
    EXPECT_TRUE(LogHas(plain, "repair failed to remove device \"" + Narrow(again.InstanceId()) + "\": 0x00000005"));
    EXPECT_TRUE(again.Exists());
}

// A run killed in the middle of its package call leaves the lock
// abandoned: the run that waited for it takes it over, says so, and goes on.
// Another test program's run may be the one that meets the abandoned lock;
// the test then tries again.
TEST(FailureRun, ALockLeftByAKilledRunIsTakenOver)
{
    bool bTakenOver = false;
    for (int nTry = 0; nTry < 3 && !bTakenOver; ++nTry) {
        CProgramRun holder;
        ASSERT_TRUE(holder.IsReady());
        holder.SetPackageDelay(60000);
        holder.SetThreadJournal(true);
        ASSERT_TRUE(holder.Start(L"/p /q /s held.inf"));
        ASSERT_TRUE(WaitUntil([&] { return holder.CallThreads().size() == 1; }, c_msStart)) << "no package call began";

        CProgramRun waiter;
        ASSERT_TRUE(waiter.IsReady());
        ASSERT_TRUE(waiter.Start(L"/p /q /s next.inf /e /o run.log"));
        ASSERT_TRUE(WaitUntil([&] { return LogHas(waiter, c_szWaitingLine); }, c_msStart)) << "the waiter never waited";
        const HANDLE hHolder = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, holder.ProcessId());
        ASSERT_NE(hHolder, nullptr);
        ASSERT_TRUE(TerminateProcess(hHolder, 9));
        WaitForSingleObject(hHolder, c_msStart);
        CloseHandle(hHolder);

        DWORD dwExit = 1;
        ASSERT_TRUE(waiter.Wait(c_msStart, &dwExit));
        EXPECT_EQ(dwExit, 0u);
        EXPECT_EQ(waiter.CallCount(), 1);
        bTakenOver = LogHas(waiter, "another tavelin run ended without letting go of the lock; taken over");
    }
    EXPECT_TRUE(bTakenOver);
}

// Another object of the lock's name (here an event) is no lock of
// administrators: the run logs it once and makes its calls all the same.
TEST(FailureRun, ALockThatCannotBeHadIsLoggedAndTheCallsGoOn)
{
    HANDLE hSquatter = nullptr;
    // While another program's run has the lock open the name is a mutex's.
    ASSERT_TRUE(WaitUntil(
        [&] {
            hSquatter = CreateEventW(nullptr, TRUE, FALSE, c_szLockName);
            if (hSquatter && GetLastError() == ERROR_ALREADY_EXISTS) {
                CloseHandle(hSquatter);
                hSquatter = nullptr;
            }
            return hSquatter != nullptr;
        },
        c_msStart));
    CProgramRun run;
    ASSERT_TRUE(run.IsReady());
    ASSERT_TRUE(run.Write(L"list.txt", ";inflist\r\na.inf\r\nb.inf\r\n"));
    const DWORD dwExit = run.RunToEnd(L"/p /q /l list.txt /e /o run.log", c_msStart);
    CloseHandle(hSquatter);
    EXPECT_EQ(dwExit, 0u);
    const std::string strLog = ReadFileBytes(run.File(L"run.log"));
    const std::string strLine = "the lock's name \"Global\\TavelinDriverPackageCall\" is held by someone else: it is no "
                                "mutex of administrators or SYSTEM; calls go on without the lock";
    const size_t nAt = strLog.find(strLine);
    EXPECT_NE(nAt, std::string::npos) << strLog;
    EXPECT_EQ(strLog.find(strLine, nAt + 1), std::string::npos) << "said once";
    EXPECT_EQ(run.CallCount(), 2);
}

// The staged copy as Windows makes it, put into the prefix by hand.
class COemPair
{
public:
    explicit COemPair(const CProgramRun& run)
    {
        ForgetStagedPackage(L"tvpair");
        m_bReady = WritePackage(run.Folder(), L"tvpair", L"USB\\VID_F055&PID_0F30");
        m_strInf = ReadFileBytes(run.File(L"tvpair.inf"));
        m_strCatalog = ReadFileBytes(run.File(L"tvpair.cat"));
        for (const auto& file : InfFolderFiles()) {
            if (file.second == m_strInf)
                DeleteFileW((InfFolder() + L"\\" + file.first).c_str());
        }
        for (int n = 7200; n < 7300 && m_strName.empty(); ++n) {
            const std::wstring strName = L"oem" + std::to_wstring(n);
            if (!FileExists(InfFolder() + L"\\" + strName + L".inf") &&
                !FileExists(CatalogRoot() + L"\\" + strName + L".cat"))
                m_strName = strName;
        }
        m_bReady = m_bReady && !m_strName.empty() && WriteFileBytes(InfPath(), m_strInf) &&
                   WriteFileBytes(CatalogPath(), m_strCatalog);
    }
    ~COemPair()
    {
        DeleteFileW(InfPath().c_str());
        DeleteFileW((InfFolder() + L"\\" + m_strName + L".pnf").c_str());
        DeleteFileW(CatalogPath().c_str());
        ForgetStagedPackage(L"tvpair");
    }

    std::wstring InfPath() const { return InfFolder() + L"\\" + m_strName + L".inf"; }
    std::wstring CatalogPath() const { return CatalogRoot() + L"\\" + m_strName + L".cat"; }
    std::wstring UpperName() const
    {
        std::wstring str = m_strName;
        std::transform(str.begin(), str.end(), str.begin(), towupper);
        return str;
    }

    bool m_bReady = false;
    std::wstring m_strName;
    std::string m_strInf;
    std::string m_strCatalog;
};

TEST(FailureRun, UninstallRemovesExactlyTheOemPairThatHoldsThePackage)
{
    CProgramRun run(CProgramRun::EDifx::None);
    ASSERT_TRUE(run.IsReady());
    COemPair pair(run);
    ASSERT_TRUE(pair.m_bReady);
    auto before = InfFolderFiles();
    EXPECT_EQ(run.RunToEnd(L"/u /q /s tvpair.inf /e", c_msStart), 0u);
    EXPECT_FALSE(FileExists(pair.InfPath()));
    before.erase(pair.UpperName() + L".INF");
    before.erase(pair.UpperName() + L".PNF");
    EXPECT_EQ(InfFolderFiles(), before);
    EXPECT_EQ(CountCopiesInInfFolder(pair.m_strInf), 0);
}

TEST(FailureRun, PreinstallReusesTheOemPairThatHoldsThePackage)
{
    CProgramRun run(CProgramRun::EDifx::None);
    ASSERT_TRUE(run.IsReady());
    COemPair pair(run);
    ASSERT_TRUE(pair.m_bReady);
    EXPECT_EQ(run.RunToEnd(L"/p /q /s tvpair.inf /e", c_msStart), 0u);
    EXPECT_TRUE(FileExists(pair.InfPath()));
    EXPECT_EQ(ReadFileBytes(pair.CatalogPath()), pair.m_strCatalog);
    EXPECT_EQ(CountCopiesInInfFolder(pair.m_strInf), 1) << "a second copy was staged";
}

// Packages of this test's own names; whatever copy of them an earlier run
// staged, under any name, goes first.
std::vector<std::string> LockPackages(const CProgramRun& first, const CProgramRun& second)
{
    std::vector<std::string> packages;
    std::string strList = ";inflist\r\n";
    for (int i = 0; i < 12; ++i) {
        const std::wstring strName = L"tvlock-" + std::to_wstring(i);
        ForgetStagedPackage(strName);
        packages.push_back(PackageInfText(strName, L"USB\\VID_F055&PID_0E30"));
        for (const CProgramRun* pRun : { &first, &second })
            EXPECT_TRUE(WritePackage(pRun->Folder(), strName, L"USB\\VID_F055&PID_0E30"));
        strList += Narrow(strName) + ".inf\r\n";
    }
    for (const auto& file : InfFolderFiles()) {
        if (std::find(packages.begin(), packages.end(), file.second) != packages.end())
            DeleteFileW((InfFolder() + L"\\" + file.first).c_str());
    }
    EXPECT_TRUE(first.Write(L"list.txt", strList) && second.Write(L"list.txt", strList));
    return packages;
}

TEST(FailureRun, TwoListRunsAtOnceNeverCallWhileTheOtherHoldsTheLock)
{
    CProgramRun first(CProgramRun::EDifx::None);
    CProgramRun second(CProgramRun::EDifx::None);
    ASSERT_TRUE(first.IsReady() && second.IsReady());
    const std::vector<std::string> packages = LockPackages(first, second);

    // The test holds the lock until both runs wait for it, so they meet.
    const HANDLE hLock = CreateMutexW(nullptr, FALSE, c_szLockName);
    ASSERT_EQ(WaitForSingleObject(hLock, c_msStart), WAIT_OBJECT_0);
    ASSERT_TRUE(first.Start(L"/p /q /l list.txt /e /o run.log") && second.Start(L"/p /q /l list.txt /e /o run.log"));
    auto waits = [](const CProgramRun* pRun) {
        const std::string strLog = ReadFileBytes(pRun->File(L"run.log"));
        const size_t nAt = strLog.find(c_szWaitingLine);
        return nAt == std::string::npos ? 0 : strLog.find(c_szWaitingLine, nAt + 1) == std::string::npos ? 1 : 2;
    };
    EXPECT_TRUE(WaitUntil([&] { return waits(&first) == 1 && waits(&second) == 1; }, c_msStart));
    // While the lock is held, neither run has staged anything.
    for (size_t i = 0; i < packages.size(); ++i)
        EXPECT_EQ(CountCopiesInInfFolder(packages[i]), 0) << "tvlock-" << i;
    ReleaseMutex(hLock);
    CloseHandle(hLock);
    for (CProgramRun* pRun : { &first, &second }) {
        DWORD dwExit = 1;
        ASSERT_TRUE(pRun->Wait(c_msStart, &dwExit));
        EXPECT_EQ(dwExit, 0u);
        // Said once, however often the run waited.
        EXPECT_EQ(waits(pRun), 1);
    }
    // Each package is staged. That it is staged once proves little under
    // Wine, which never makes a second copy of a same-named INF; on Windows
    // two runs that met inside a call would each stage an oem<N>.inf.
    for (size_t i = 0; i < packages.size(); ++i)
        EXPECT_EQ(CountCopiesInInfFolder(packages[i]), 1) << "tvlock-" << i;
}

} // namespace
