// The machine-wide lock around package calls: where its mutex lives (a
// private namespace, else the global name, and then only a mutex of
// administrators or SYSTEM), through a table standing in for what Wine lacks;
// and, with real mutexes of the test's own names, that a run is not busy
// while it waits and that a wait ends after its limit.
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

struct MUTEX_CASE
{
    const char* pszName;
    bool bNamespaceCalls;    // exported at all
    bool bBoundary;          // CreateBoundaryDescriptorW gives one (Wine: null)
    bool bSidAdded;
    DWORD dwCreateNamespace; // 0: created; else its error
    bool bOpenNamespace;
    DWORD dwGlobal;          // 0: created; ERROR_ALREADY_EXISTS: there before; else its error
    const wchar_t* pszOwner; // of one there before, as SDDL; null: unreadable
    // Expected: the name CreateMutexExW last got, where, the result.
    const wchar_t* pszMutex;
    EMutexScope scope;
    DWORD dwResult;
};

const MUTEX_CASE* g_pCase = nullptr;
std::wstring g_strMutex, g_strMutexSddl, g_strNamespaceSddl;
int g_cAddSid = 0, g_cOpenNamespace = 0, g_cCloseNamespace = 0, g_cDeleteBoundary = 0;

std::wstring Sddl(LPSECURITY_ATTRIBUTES pAttributes)
{
    LPWSTR psz = nullptr;
    if (!ConvertSecurityDescriptorToStringSecurityDescriptorW(pAttributes->lpSecurityDescriptor, SDDL_REVISION_1,
                                                              OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                                              &psz, nullptr))
        return L"?";
    const std::wstring str = psz;
    LocalFree(psz);
    return str;
}

HANDLE Fail(DWORD dwError)
{
    SetLastError(dwError);
    return nullptr;
}

const MACHINE_MUTEX_API c_fakeApi = {
    [](LPCWSTR, ULONG) { return g_pCase->bBoundary ? reinterpret_cast<HANDLE>(0x100) : nullptr; },
    [](HANDLE*, PSID pSid) {
        g_cAddSid += IsWellKnownSid(pSid, WinBuiltinAdministratorsSid) ? 1 : 100;
        return static_cast<BOOL>(g_pCase->bSidAdded);
    },
    [](LPSECURITY_ATTRIBUTES pAttributes, LPVOID, LPCWSTR) {
        g_strNamespaceSddl = Sddl(pAttributes);
        return g_pCase->dwCreateNamespace ? Fail(g_pCase->dwCreateNamespace) : reinterpret_cast<HANDLE>(0x200);
    },
    [](LPVOID, LPCWSTR) {
        ++g_cOpenNamespace;
        return g_pCase->bOpenNamespace ? reinterpret_cast<HANDLE>(0x300) : Fail(ERROR_ACCESS_DENIED);
    },
    [](HANDLE, ULONG) { return static_cast<BOOLEAN>(++g_cCloseNamespace > 0); },
    [](HANDLE) { ++g_cDeleteBoundary; },
    // A real, unnamed mutex stands for the named one.
    [](LPSECURITY_ATTRIBUTES pAttributes, LPCWSTR pszName, DWORD, DWORD) {
        g_strMutex = pszName;
        g_strMutexSddl = Sddl(pAttributes);
        const DWORD dwError = g_strMutex.compare(0, 7, L"Global\\") == 0 ? g_pCase->dwGlobal : 0;
        if (dwError != 0 && dwError != ERROR_ALREADY_EXISTS)
            return Fail(dwError);
        HANDLE h = CreateMutexW(nullptr, FALSE, nullptr);
        SetLastError(dwError);
        return h;
    },
    [](HANDLE, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID* ppOwner, PSID*, PACL*, PACL*,
       PSECURITY_DESCRIPTOR* ppDescriptor) {
        BOOL bDefaulted = FALSE;
        if (!g_pCase->pszOwner || !ConvertStringSecurityDescriptorToSecurityDescriptorW(
                                      g_pCase->pszOwner, SDDL_REVISION_1, ppDescriptor, nullptr))
            return static_cast<DWORD>(ERROR_ACCESS_DENIED);
        *ppOwner = nullptr;
        GetSecurityDescriptorOwner(*ppDescriptor, ppOwner, &bDefaulted);
        return static_cast<DWORD>(ERROR_SUCCESS);
    },
};

class MachineMutexWhere : public ::testing::TestWithParam<MUTEX_CASE>
{
};

TEST_P(MachineMutexWhere, FoundWhereOnlyAdministratorsCanMakeIt)
{
    const MUTEX_CASE& c = GetParam();
    const MACHINE_MUTEX_API saved = g_machineMutexApi;
    g_machineMutexApi = c_fakeApi;
    if (!c.bNamespaceCalls)
        g_machineMutexApi.pfnOpenPrivateNamespaceW = nullptr;
    g_pCase = &c;
    g_cAddSid = g_cOpenNamespace = g_cCloseNamespace = g_cDeleteBoundary = 0;
    g_strNamespaceSddl.clear();
    const bool bTried = c.bNamespaceCalls && c.bBoundary;
    const bool bNamespace = bTried && c.bSidAdded && (c.dwCreateNamespace == 0 || c.bOpenNamespace);
    {
        CMachineMutex mutex;
        EMutexScope scope = mutexScopeNone;
        EXPECT_EQ(mutex.Create(L"Tavelin", L"TavelinDriverPackageCall", &scope), c.dwResult);
        EXPECT_EQ(scope, c.scope);
        EXPECT_EQ(mutex.IsValid(), c.dwResult == ERROR_SUCCESS);
        EXPECT_EQ(g_strMutex, c.pszMutex);
        // Only Administrators and SYSTEM get in; the global mutex is owned by
        // Administrators, which is what other runs check.
        EXPECT_EQ(g_strMutexSddl, c.scope == mutexScopePrivate ? L"D:P(A;;GA;;;BA)(A;;GA;;;SY)"
                                                               : L"O:BAD:P(A;;GA;;;BA)(A;;GA;;;SY)");
        // Wine's AddSIDToBoundaryDescriptor ends the process when called.
        EXPECT_EQ(g_cAddSid, bTried ? 1 : 0);
        EXPECT_EQ(g_strNamespaceSddl, bTried && c.bSidAdded ? L"D:P(A;;GA;;;BA)(A;;GA;;;SY)" : L"");
        EXPECT_EQ(g_cOpenNamespace, bTried && c.bSidAdded && c.dwCreateNamespace == ERROR_ALREADY_EXISTS ? 1 : 0);
        EXPECT_EQ(g_cCloseNamespace, 0) << "the namespace stays open as long as the mutex";
    }
    g_machineMutexApi = saved;
    EXPECT_EQ(g_cCloseNamespace, bNamespace ? 1 : 0);
    EXPECT_EQ(g_cDeleteBoundary, bTried ? 1 : 0);
}

const wchar_t c_szPrivate[] = L"Tavelin\\TavelinDriverPackageCall";
const wchar_t c_szGlobal[] = L"Global\\TavelinDriverPackageCall";
const DWORD c_dwThere = ERROR_ALREADY_EXISTS;

INSTANTIATE_TEST_SUITE_P(
    Table, MachineMutexWhere,
    ::testing::Values(
        MUTEX_CASE{ "NamespaceCreated", true, true, true, 0, false, 0, L"O:BA", c_szPrivate, mutexScopePrivate, 0 },
        MUTEX_CASE{ "NamespaceOpened", true, true, true, c_dwThere, true, 0, L"O:BA", c_szPrivate, mutexScopePrivate, 0 },
        MUTEX_CASE{ "NoNamespaceCalls", false, true, true, 0, false, 0, L"O:BA", c_szGlobal, mutexScopeGlobal, 0 },
        MUTEX_CASE{ "NoBoundaryAsOnWine", true, false, true, 0, false, 0, L"O:BA", c_szGlobal, mutexScopeGlobal, 0 },
        MUTEX_CASE{ "SidNotAdded", true, true, false, 0, false, 0, L"O:BA", c_szGlobal, mutexScopeGlobal, 0 },
        MUTEX_CASE{ "NamespaceNotHad", true, true, true, c_dwThere, false, 0, L"O:BA", c_szGlobal, mutexScopeGlobal, 0 },
        MUTEX_CASE{ "ThereOfAdministrators", false, false, false, 0, false, c_dwThere, L"O:BA", c_szGlobal,
                    mutexScopeGlobal, 0 },
        MUTEX_CASE{ "ThereOfSystem", false, false, false, 0, false, c_dwThere, L"O:SY", c_szGlobal, mutexScopeGlobal, 0 },
        // Wine keeps no owner; Windows gives every named object one.
        MUTEX_CASE{ "ThereWithoutOwnerAsOnWine", false, false, false, 0, false, c_dwThere, L"D:", c_szGlobal,
                    mutexScopeGlobal, 0 },
        MUTEX_CASE{ "ThereOfAUser", false, false, false, 0, false, c_dwThere, L"O:S-1-5-21-1-2-3-1001", c_szGlobal,
                    mutexScopeForeign, c_dwThere },
        MUTEX_CASE{ "OwnerUnreadable", false, false, false, 0, false, c_dwThere, nullptr, c_szGlobal, mutexScopeForeign,
                    c_dwThere },
        MUTEX_CASE{ "NameOfAnEvent", false, false, false, 0, false, ERROR_INVALID_HANDLE, L"O:BA", c_szGlobal,
                    mutexScopeForeign, c_dwThere },
        MUTEX_CASE{ "Denied", false, false, false, 0, false, ERROR_ACCESS_DENIED, L"O:BA", c_szGlobal, mutexScopeNone,
                    ERROR_ACCESS_DENIED }),
    [](const ::testing::TestParamInfo<MUTEX_CASE>& info) { return std::string(info.param.pszName); });

// Records what the lock tells the run; while it says it waits, the holder
// is told to let go (when hLetGo is set).
class CLockCallback : public CDiffxApiCallback
{
public:
    void FirstPackageCall() override { m_events.push_back("first call"); }
    void WaitForOtherRun(bool bWaiting) override { Note(bWaiting ? "waiting" : "wait over", bWaiting); }
    void PackageCallsPaused(bool bPaused) override { Note(bPaused ? "paused" : "resumed", bPaused); }
    void Note(const char* psz, bool bLetGo)
    {
        m_events.push_back(psz);
        if (bLetGo && m_hLetGo)
            SetEvent(m_hLetGo);
    }

    std::vector<std::string> m_events;
    HANDLE m_hLetGo = nullptr;
};

// Another program that holds the lock's global name, on a thread of its own
// (a mutex belongs to a thread): takes it on hTake, lets go on hLetGo.
struct CHolder
{
    explicit CHolder(const std::wstring& strName) : m_strName(L"Global\\" + strName)
    {
        m_hThread = CreateThread(nullptr, 0, Main, this, 0, nullptr);
    }
    ~CHolder()
    {
        m_bEnd = true;
        SetEvent(m_hTake);
        SetEvent(m_hLetGo);
        WaitForSingleObject(m_hThread, 10000);
    }
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
    HANDLE m_hTake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE m_hLetGo = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE m_hHeld = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE m_hThread;
    volatile bool m_bEnd = false;
};

std::wstring UniqueName(const char* psz)
{
    return L"TavelinLockTest-" + Widen(psz) + L"-" + std::to_wstring(GetCurrentProcessId());
}

TEST(CallLock, ARunIsNotBusyUntilItsFirstCallAndPausesWhileItWaitsLater)
{
    const std::wstring strName = UniqueName("busy");
    CHolder holder(strName);
    CLockCallback callback;
    callback.m_hLetGo = holder.m_hLetGo;
    SetEvent(holder.m_hTake);
    ASSERT_EQ(WaitForSingleObject(holder.m_hHeld, 10000), WAIT_OBJECT_0);
    CPackageCallLock lock(strName.c_str());
    lock.Enter(&callback, nullptr);
    EXPECT_EQ(callback.m_events, (std::vector<std::string>{ "waiting", "wait over", "first call" }));

    // The holder takes the name once the lock's slice is over; the next wait
    // pauses the run, and is not reported again.
    callback.m_events.clear();
    SetEvent(holder.m_hTake);
    bool bHeld = false;
    for (DWORD dwStart = GetTickCount(); !bHeld && GetTickCount() - dwStart < 10000;) {
        lock.Leave();
        bHeld = WaitForSingleObject(holder.m_hHeld, 5) == WAIT_OBJECT_0;
    }
    ASSERT_TRUE(bHeld);
    lock.Enter(&callback, nullptr);
    lock.Leave();
    EXPECT_EQ(callback.m_events, (std::vector<std::string>{ "paused", "resumed" }));
}

// A name held past the wait's limit, and a global name that is no mutex:
// the calls go on without the lock, and the log says so once.
TEST(CallLock, ANameHeldTooLongOrForeignIsLoggedOnceAndTheCallsGoOn)
{
    const std::wstring strHeld = UniqueName("limit");
    const std::wstring strForeign = UniqueName("event");
    CHolder holder(strHeld);
    SetEvent(holder.m_hTake);
    ASSERT_EQ(WaitForSingleObject(holder.m_hHeld, 10000), WAIT_OBJECT_0);
    HANDLE hEvent = CreateEventW(nullptr, TRUE, FALSE, (L"Global\\" + strForeign).c_str());
    CScratchDir dir;
    CLockCallback held, foreign;
    {
        CRunLog log;
        ASSERT_TRUE(log.Open(dir.File(L"run.log").c_str()));
        CPackageCallLock heldLock(strHeld.c_str());
        CPackageCallLock foreignLock(strForeign.c_str());
        heldLock.SetWaitLimit(20);
        for (int i = 0; i < 2; ++i) {
            for (auto* p : { &heldLock, &foreignLock }) {
                p->Enter(p == &heldLock ? &held : &foreign, &log);
                p->Leave();
            }
        }
    }
    CloseHandle(hEvent);
    SetEvent(holder.m_hLetGo);
    EXPECT_EQ(held.m_events, (std::vector<std::string>{ "waiting", "wait over", "first call" }));
    EXPECT_EQ(foreign.m_events, (std::vector<std::string>{ "first call" }));
    const std::string strLog = ReadFileBytes(dir.File(L"run.log"));
    for (const std::string& strLine :
         { std::string("the lock was not had within 20 ms: another run holds it still; calls go on without it"),
           "the lock's name \"Global\\" + Narrow(strForeign) +
               "\" is held by someone else: it is no mutex of administrators or SYSTEM; calls go on without the lock",
           std::string("waiting for another tavelin run") }) {
        EXPECT_NE(strLog.find(strLine), std::string::npos) << strLine << "\n" << strLog;
        EXPECT_EQ(strLog.find(strLine), strLog.rfind(strLine)) << strLog;
    }
}

} // namespace
