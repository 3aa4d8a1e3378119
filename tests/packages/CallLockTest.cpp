// The machine-wide lock around package calls: where its mutex lives (a
// private namespace, else the global name, and then only a mutex of
// administrators or SYSTEM), through a table that stands in for what Wine
// lacks; and, with real mutexes of the test's own names, that a run is not
// busy while it waits and that a wait ends after its limit.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <string>
#include <vector>

#include "packages/DiffxApiCallback.h"
#include "packages/PackageCallLock.h"
#include "packages/RunLog.h"
#include "platform/MachineMutex.h"
#include "support/TestFiles.h"

namespace {

// What the fakes answer, for one case.
enum EOwner { ownerAdministrators, ownerSystem, ownerUser, ownerNone, ownerUnreadable };

struct MUTEX_CASE
{
    const char* pszName;
    bool bNamespaceCalls;     // the system exports the namespace calls
    bool bBoundary;           // CreateBoundaryDescriptorW gives one
    bool bSidAdded;           // AddSIDToBoundaryDescriptor succeeds
    DWORD dwCreateNamespace;  // 0: created; else its error
    bool bOpenNamespace;      // OpenPrivateNamespaceW succeeds
    DWORD dwGlobalMutex;      // 0: created; ERROR_ALREADY_EXISTS: opened; else its error
    EOwner owner;             // of a global mutex that was there before
    // Expected:
    const wchar_t* pszMutexName; // the last name CreateMutexExW got
    EMutexScope scope;
    DWORD dwResult;
    bool bValid;
};

struct FAKE_STATE
{
    const MUTEX_CASE* pCase;
    std::wstring strMutexName;
    std::wstring strNamespaceSddl;
    std::wstring strMutexSddl;
    bool bSidWasAdministrators = false;
    int cAddSid = 0;
    int cOpenNamespace = 0;
    int cCloseNamespace = 0;
    int cDeleteBoundary = 0;
};
FAKE_STATE g_fake;

HANDLE WINAPI FakeCreateBoundary(LPCWSTR, ULONG)
{
    return g_fake.pCase->bBoundary ? reinterpret_cast<HANDLE>(0x100) : nullptr;
}

BOOL WINAPI FakeAddSid(HANDLE* phBoundary, PSID pSid)
{
    ++g_fake.cAddSid;
    g_fake.bSidWasAdministrators = phBoundary && IsWellKnownSid(pSid, WinBuiltinAdministratorsSid);
    return g_fake.pCase->bSidAdded;
}

HANDLE WINAPI FakeCreateNamespace(LPSECURITY_ATTRIBUTES pAttributes, LPVOID, LPCWSTR)
{
    LPWSTR pszSddl = nullptr;
    if (pAttributes && ConvertSecurityDescriptorToStringSecurityDescriptorW(
                           pAttributes->lpSecurityDescriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &pszSddl,
                           nullptr)) {
        g_fake.strNamespaceSddl = pszSddl;
        LocalFree(pszSddl);
    }
    if (g_fake.pCase->dwCreateNamespace == ERROR_SUCCESS)
        return reinterpret_cast<HANDLE>(0x200);
    SetLastError(g_fake.pCase->dwCreateNamespace);
    return nullptr;
}

HANDLE WINAPI FakeOpenNamespace(LPVOID, LPCWSTR)
{
    ++g_fake.cOpenNamespace;
    if (g_fake.pCase->bOpenNamespace)
        return reinterpret_cast<HANDLE>(0x300);
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
}

BOOLEAN WINAPI FakeCloseNamespace(HANDLE, ULONG)
{
    ++g_fake.cCloseNamespace;
    return TRUE;
}

VOID WINAPI FakeDeleteBoundary(HANDLE)
{
    ++g_fake.cDeleteBoundary;
}

// A real, unnamed mutex stands for the named one.
HANDLE WINAPI FakeCreateMutex(LPSECURITY_ATTRIBUTES pAttributes, LPCWSTR pszName, DWORD, DWORD)
{
    g_fake.strMutexName = pszName ? pszName : L"";
    LPWSTR pszSddl = nullptr;
    g_fake.strMutexSddl.clear();
    if (pAttributes && ConvertSecurityDescriptorToStringSecurityDescriptorW(
                           pAttributes->lpSecurityDescriptor, SDDL_REVISION_1,
                           OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &pszSddl, nullptr)) {
        g_fake.strMutexSddl = pszSddl;
        LocalFree(pszSddl);
    }
    const bool bGlobal = g_fake.strMutexName.compare(0, 7, L"Global\\") == 0;
    const DWORD dwError = bGlobal ? g_fake.pCase->dwGlobalMutex : ERROR_SUCCESS;
    if (dwError != ERROR_SUCCESS && dwError != ERROR_ALREADY_EXISTS) {
        SetLastError(dwError);
        return nullptr;
    }
    HANDLE h = CreateMutexW(nullptr, FALSE, nullptr);
    SetLastError(dwError);
    return h;
}

DWORD WINAPI FakeGetSecurityInfo(HANDLE, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID* ppOwner, PSID*, PACL*, PACL*,
                                 PSECURITY_DESCRIPTOR* ppDescriptor)
{
    static const wchar_t* const c_rgpszSddl[] = { L"O:BA", L"O:SY", L"O:S-1-5-21-1-2-3-1001", L"D:", nullptr };
    const wchar_t* pszSddl = c_rgpszSddl[g_fake.pCase->owner];
    if (!pszSddl)
        return ERROR_ACCESS_DENIED;
    PSECURITY_DESCRIPTOR pDescriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(pszSddl, SDDL_REVISION_1, &pDescriptor, nullptr))
        return GetLastError();
    BOOL bDefaulted = FALSE;
    *ppOwner = nullptr;
    GetSecurityDescriptorOwner(pDescriptor, ppOwner, &bDefaulted);
    *ppDescriptor = pDescriptor;
    return ERROR_SUCCESS;
}

class MachineMutexWhere : public ::testing::TestWithParam<MUTEX_CASE>
{
protected:
    void SetUp() override
    {
        m_saved = g_machineMutexApi;
        g_fake = FAKE_STATE();
        g_fake.pCase = &GetParam();
        const bool b = GetParam().bNamespaceCalls;
        g_machineMutexApi = { b ? FakeCreateBoundary : nullptr,
                              b ? FakeAddSid : nullptr,
                              b ? FakeCreateNamespace : nullptr,
                              b ? FakeOpenNamespace : nullptr,
                              b ? FakeCloseNamespace : nullptr,
                              b ? FakeDeleteBoundary : nullptr,
                              FakeCreateMutex,
                              FakeGetSecurityInfo };
    }
    void TearDown() override { g_machineMutexApi = m_saved; }

    MACHINE_MUTEX_API m_saved = {};
};

TEST_P(MachineMutexWhere, FoundWhereOnlyAdministratorsCanMakeIt)
{
    const MUTEX_CASE& c = GetParam();
    {
        CMachineMutex mutex;
        EMutexScope scope = mutexScopeNone;
        EXPECT_EQ(mutex.Create(L"Tavelin", L"TavelinDriverPackageCall", &scope), c.dwResult);
        EXPECT_EQ(scope, c.scope);
        EXPECT_EQ(mutex.IsValid(), c.bValid);
        EXPECT_EQ(g_fake.strMutexName, c.pszMutexName);
        // Only Administrators and SYSTEM get in; the global one is owned by
        // Administrators, which is what other runs check.
        EXPECT_EQ(g_fake.strMutexSddl, c.scope == mutexScopePrivate ? L"D:P(A;;GA;;;BA)(A;;GA;;;SY)"
                                                                     : L"O:BAD:P(A;;GA;;;BA)(A;;GA;;;SY)");
        if (c.bBoundary && c.bNamespaceCalls) {
            EXPECT_EQ(g_fake.cAddSid, 1);
            EXPECT_TRUE(g_fake.bSidWasAdministrators);
        } else {
            // Wine's AddSIDToBoundaryDescriptor ends the process when called.
            EXPECT_EQ(g_fake.cAddSid, 0);
        }
        if (c.bSidAdded && c.bBoundary && c.bNamespaceCalls) {
            EXPECT_EQ(g_fake.strNamespaceSddl, L"D:P(A;;GA;;;BA)(A;;GA;;;SY)");
        }
        EXPECT_EQ(g_fake.cOpenNamespace, c.dwCreateNamespace == ERROR_ALREADY_EXISTS && c.bSidAdded ? 1 : 0);
        EXPECT_EQ(g_fake.cCloseNamespace, 0) << "the namespace must stay open with the mutex";
    }
    const bool bNamespaceHad = c.bNamespaceCalls && c.bBoundary && c.bSidAdded &&
                               (c.dwCreateNamespace == ERROR_SUCCESS || c.bOpenNamespace);
    EXPECT_EQ(g_fake.cCloseNamespace, bNamespaceHad ? 1 : 0);
    EXPECT_EQ(g_fake.cDeleteBoundary, c.bNamespaceCalls && c.bBoundary ? 1 : 0);
}

const wchar_t c_szPrivate[] = L"Tavelin\\TavelinDriverPackageCall";
const wchar_t c_szGlobal[] = L"Global\\TavelinDriverPackageCall";
const DWORD c_dwExists = ERROR_ALREADY_EXISTS;

INSTANTIATE_TEST_SUITE_P(
    Table, MachineMutexWhere,
    ::testing::Values(
        MUTEX_CASE{ "NamespaceCreated", true, true, true, 0, false, 0, ownerUser, c_szPrivate, mutexScopePrivate, 0, true },
        MUTEX_CASE{ "NamespaceOfAnotherRunOpened", true, true, true, c_dwExists, true, 0, ownerUser, c_szPrivate,
                    mutexScopePrivate, 0, true },
        MUTEX_CASE{ "NoNamespaceCallsUseTheGlobalName", false, true, true, 0, false, 0, ownerUser, c_szGlobal,
                    mutexScopeGlobal, 0, true },
        MUTEX_CASE{ "NoBoundaryDescriptorAsOnWine", true, false, true, 0, false, 0, ownerUser, c_szGlobal,
                    mutexScopeGlobal, 0, true },
        MUTEX_CASE{ "SidNotAdded", true, true, false, 0, false, 0, ownerUser, c_szGlobal, mutexScopeGlobal, 0, true },
        MUTEX_CASE{ "NamespaceNeitherCreatedNorOpened", true, true, true, c_dwExists, false, 0, ownerUser, c_szGlobal,
                    mutexScopeGlobal, 0, true },
        MUTEX_CASE{ "GlobalOfAdministrators", false, false, false, 0, false, c_dwExists, ownerAdministrators, c_szGlobal,
                    mutexScopeGlobal, 0, true },
        MUTEX_CASE{ "GlobalOfSystem", false, false, false, 0, false, c_dwExists, ownerSystem, c_szGlobal,
                    mutexScopeGlobal, 0, true },
        MUTEX_CASE{ "GlobalWithoutOwnerAsOnWine", false, false, false, 0, false, c_dwExists, ownerNone, c_szGlobal,
                    mutexScopeGlobal, 0, true },
        MUTEX_CASE{ "GlobalOfAUserIsLeftAlone", false, false, false, 0, false, c_dwExists, ownerUser, c_szGlobal,
                    mutexScopeForeign, c_dwExists, false },
        MUTEX_CASE{ "GlobalWhoseOwnerCannotBeReadIsLeftAlone", false, false, false, 0, false, c_dwExists,
                    ownerUnreadable, c_szGlobal, mutexScopeForeign, c_dwExists, false },
        MUTEX_CASE{ "GlobalNameOfAnEventIsLeftAlone", false, false, false, 0, false, ERROR_INVALID_HANDLE, ownerUser,
                    c_szGlobal, mutexScopeForeign, c_dwExists, false },
        MUTEX_CASE{ "GlobalDeniedIsUnavailable", false, false, false, 0, false, ERROR_ACCESS_DENIED, ownerUser, c_szGlobal,
                    mutexScopeNone, ERROR_ACCESS_DENIED, false }),
    [](const ::testing::TestParamInfo<MUTEX_CASE>& info) { return std::string(info.param.pszName); });

// Records what the lock tells the run, and lets a holder thread react.
class CLockCallback : public CDiffxApiCallback
{
public:
    void FirstPackageCall() override { m_events.push_back("first call"); }
    void WaitForOtherRun(bool bWaiting) override
    {
        m_events.push_back(bWaiting ? "waiting" : "wait over");
        if (bWaiting && m_hOnWait)
            SetEvent(m_hOnWait);
    }
    void PackageCallsPaused(bool bPaused) override
    {
        m_events.push_back(bPaused ? "paused" : "resumed");
        if (bPaused && m_hOnWait)
            SetEvent(m_hOnWait);
    }

    std::vector<std::string> m_events;
    HANDLE m_hOnWait = nullptr;
};

// Another process's run, on a thread of its own (a mutex belongs to a
// thread): it takes the lock's global name when told, and lets go when told.
class CHolder
{
public:
    explicit CHolder(const std::wstring& strName) : m_strName(L"Global\\" + strName)
    {
        m_hTake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        m_hLetGo = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        m_hHeld = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        m_hThread = CreateThread(nullptr, 0, Main, this, 0, nullptr);
    }
    ~CHolder()
    {
        m_bEnd = true;
        SetEvent(m_hTake);
        SetEvent(m_hLetGo);
        WaitForSingleObject(m_hThread, 10000);
        for (HANDLE h : { m_hThread, m_hTake, m_hLetGo, m_hHeld })
            CloseHandle(h);
    }
    // Asks it to take the name; Holds tells when it does.
    void Ask() { SetEvent(m_hTake); }
    bool Holds(DWORD dwMs) { return WaitForSingleObject(m_hHeld, dwMs) == WAIT_OBJECT_0; }
    bool Take()
    {
        Ask();
        return Holds(10000);
    }
    HANDLE LetGoEvent() const { return m_hLetGo; }

private:
    static DWORD WINAPI Main(LPVOID pv)
    {
        CHolder* p = static_cast<CHolder*>(pv);
        HANDLE hMutex = CreateMutexW(nullptr, FALSE, p->m_strName.c_str());
        while (WaitForSingleObject(p->m_hTake, INFINITE) == WAIT_OBJECT_0 && !p->m_bEnd) {
            WaitForSingleObject(hMutex, INFINITE);
            SetEvent(p->m_hHeld);
            WaitForSingleObject(p->m_hLetGo, INFINITE);
            ReleaseMutex(hMutex);
        }
        CloseHandle(hMutex);
        return 0;
    }

    std::wstring m_strName;
    HANDLE m_hTake;
    HANDLE m_hLetGo;
    HANDLE m_hHeld;
    HANDLE m_hThread;
    volatile bool m_bEnd = false;
};

std::wstring UniqueName(const char* pszWhat)
{
    return L"TavelinLockTest-" + Widen(pszWhat) + L"-" + std::to_wstring(GetCurrentProcessId());
}

TEST(CallLock, AWaitingRunIsNotBusyUntilItsFirstCallAndPausesWhileItWaitsLater)
{
    const std::wstring strName = UniqueName("busy");
    CHolder holder(strName);
    CLockCallback callback;
    // The holder lets go as soon as the run says it waits.
    callback.m_hOnWait = holder.LetGoEvent();
    ASSERT_TRUE(holder.Take());
    CPackageCallLock lock(strName.c_str());
    lock.Enter(&callback, nullptr);
    EXPECT_EQ(callback.m_events, (std::vector<std::string>{ "waiting", "wait over", "first call" }));

    // Later waits pause the run; the wait is reported once per run. The
    // lock lets go once its slice is over.
    callback.m_events.clear();
    holder.Ask();
    bool bHeld = false;
    for (DWORD dwStart = GetTickCount(); !bHeld && GetTickCount() - dwStart < 10000;) {
        lock.Leave();
        bHeld = holder.Holds(5);
    }
    ASSERT_TRUE(bHeld);
    lock.Enter(&callback, nullptr);
    EXPECT_EQ(callback.m_events, (std::vector<std::string>{ "paused", "resumed" }));
    lock.Leave();
}

TEST(CallLock, AWaitBeyondItsLimitGoesOnWithoutTheLockAndSaysSoOnce)
{
    const std::wstring strName = UniqueName("limit");
    CHolder holder(strName);
    ASSERT_TRUE(holder.Take());
    CScratchDir dir;
    CLockCallback callback;
    {
        CRunLog log;
        ASSERT_TRUE(log.Open(dir.File(L"run.log").c_str()));
        CPackageCallLock lock(strName.c_str());
        lock.SetWaitLimit(20);
        lock.Enter(&callback, &log);
        lock.Leave();
        lock.Enter(&callback, &log);
        lock.Leave();
    }
    SetEvent(holder.LetGoEvent());
    EXPECT_EQ(callback.m_events, (std::vector<std::string>{ "waiting", "wait over", "first call" }));
    const std::string strLog = ReadFileBytes(dir.File(L"run.log"));
    const std::string strLine = "the lock was not had within 20 ms: another run holds it still; calls go on without it";
    const size_t nAt = strLog.find(strLine);
    EXPECT_NE(nAt, std::string::npos) << strLog;
    EXPECT_EQ(strLog.find(strLine, nAt + 1), std::string::npos) << strLog;
    EXPECT_EQ(strLog.find("waiting for another tavelin run"), strLog.rfind("waiting for another tavelin run"));
}

TEST(CallLock, AGlobalNameThatIsNoMutexIsLoggedAndTheCallsGoOn)
{
    const std::wstring strName = UniqueName("event");
    HANDLE hEvent = CreateEventW(nullptr, TRUE, FALSE, (L"Global\\" + strName).c_str());
    ASSERT_NE(hEvent, nullptr);
    CScratchDir dir;
    CLockCallback callback;
    {
        CRunLog log;
        ASSERT_TRUE(log.Open(dir.File(L"run.log").c_str()));
        CPackageCallLock lock(strName.c_str());
        lock.Enter(&callback, &log);
        lock.Leave();
    }
    CloseHandle(hEvent);
    EXPECT_EQ(callback.m_events, (std::vector<std::string>{ "first call" }));
    const std::string strLog = ReadFileBytes(dir.File(L"run.log"));
    EXPECT_NE(strLog.find("the lock's name \"Global\\" + Narrow(strName) +
                          "\" is held by someone else: it is no mutex of administrators or SYSTEM; calls go on "
                          "without the lock"),
              std::string::npos)
        << strLog;
}

} // namespace
