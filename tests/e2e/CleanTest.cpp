// /c through the real program, to which the prefix reports Windows 10: two
// versions of one package with the same INF name and different catalog
// names, staged into the prefix's driver store by the program's own /p
// (Wine keeps the first one's own name and names the second oemN.inf),
// devices bound to them through their driver keys, then /v and /c. Every
// check reads the INF folder itself.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <memory>
#include <set>

#include "E2eTexts.h"
#include "ProgramRun.h"
#include "UsbDeviceRegistry.h"
#include "support/DriverPackages.h"

namespace {

const char c_szClassGuid[] = "{6f3b2c10-58a4-4c8e-9d1e-3a7b5e2f0a11}";
const char c_szExtensionGuid[] = "{e2f84ce7-8efa-411c-aa69-97454ca4cb57}";
const wchar_t c_szClassKey[] = L"System\\CurrentControlSet\\Control\\Class\\{6f3b2c10-58a4-4c8e-9d1e-3a7b5e2f0a11}";
const wchar_t c_szAppDefaults[] = L"Software\\Wine\\AppDefaults\\tavelin.exe";

// One version of the package: where it lies, its DriverVer, its Provider
// and its class.
struct PACKAGE_VERSION
{
    const char* pszFolder;
    const char* pszDriverVer;
    const char* pszProvider;
    bool bExtension;
};

const PACKAGE_VERSION c_older = { "old", "01/15/2024,1.0.0.1", "Tavelin tests", false };
const PACKAGE_VERSION c_newer = { "new", "06/01/2026,2.0.0.3", "Tavelin tests", false };
const PACKAGE_VERSION c_sameAsNewer = { "twin", "06/01/2026,2.0.0.3", "Tavelin tests", false };
const PACKAGE_VERSION c_otherProvider = { "other", "01/15/2024,1.0.0.1", "Another vendor", false };
const PACKAGE_VERSION c_olderExtension = { "old", "01/15/2024,1.0.0.1", "Tavelin tests", true };
const PACKAGE_VERSION c_newerExtension = { "new", "06/01/2026,2.0.0.3", "Tavelin tests", true };

std::string CleanInfText(const std::string& strName, const PACKAGE_VERSION& version)
{
    const std::string strCatalog = strName + "-" + version.pszFolder + ".cat";
    return "[Version]\r\nSignature = \"$WINDOWS NT$\"\r\n" +
           std::string(version.bExtension ? "Class = Extension\r\nClassGuid = " + std::string(c_szExtensionGuid)
                                       : "Class = TavelinSample\r\nClassGuid = " + std::string(c_szClassGuid)) +
           "\r\nProvider = %P%\r\nDriverVer = " + version.pszDriverVer + "\r\nCatalogFile = " + strCatalog +
           "\r\n\r\n[Manufacturer]\r\n%P% = Models, NTamd64\r\n\r\n[Models.NTamd64]\r\n%D% = Dev_Install, USB\\VID_F055&PID_0C77\r\n"
           "\r\n[Dev_Install.NTamd64]\r\n\r\n[Strings]\r\nP = \"" +
           version.pszProvider + "\"\r\nD = \"Test device " + strName + " " + version.pszFolder + "\"\r\n";
}

// Every file of the INF folder whose bytes name the scene (its INFs, and
// the PNFs that Wine writes with the source path).
std::set<std::wstring> FilesNaming(const std::string& strMarker)
{
    std::set<std::wstring> names;
    for (const auto& file : InfFolderFiles()) {
        if (file.second.find(strMarker) != std::string::npos)
            names.insert(file.first);
    }
    return names;
}

std::wstring StagedNameOf(const std::string& strBytes)
{
    for (const auto& file : InfFolderFiles()) {
        if (file.second == strBytes)
            return file.first;
    }
    return L"";
}

bool InfFolderHas(const std::wstring& strName)
{
    return !strName.empty() && FileExists(InfFolder() + L"\\" + strName);
}

// A package of two or more versions of one INF name, each in a folder of
// its own with a catalog of its own name. Whatever an earlier run left of
// it goes first, and again at the end.
class CCleanScene
{
public:
    explicit CCleanScene(const std::string& strKey) : m_strName("tvcln-" + strKey) { Forget(); }
    ~CCleanScene()
    {
        Forget();
        for (const auto& strKey : m_driverKeys)
            RegDeleteTreeW(HKEY_LOCAL_MACHINE, (std::wstring(c_szClassKey) + L"\\" + strKey).c_str());
    }

    std::wstring InfPath(const PACKAGE_VERSION& version) const
    {
        return m_dir.File(Widen(version.pszFolder) + L"\\" + Widen(m_strName) + L".inf");
    }
    std::string Bytes(const PACKAGE_VERSION& version) const { return CleanInfText(m_strName, version); }

    bool Write(const PACKAGE_VERSION& version) const
    {
        const std::wstring strFolder = m_dir.File(Widen(version.pszFolder));
        CreateDirectoryW(strFolder.c_str(), nullptr);
        return WriteFileBytes(InfPath(version), Bytes(version)) &&
               WriteFileBytes(strFolder + L"\\" + Widen(m_strName + "-" + version.pszFolder + ".cat"),
                              "catalog " + m_strName + " " + version.pszFolder);
    }

    // The name the INF folder holds the version under, once staged.
    std::wstring StagedName(const PACKAGE_VERSION& version) const { return StagedNameOf(Bytes(version)); }

    // Binds a device to the staged INF through its driver key, as device
    // installation leaves it.
    bool Bind(CRegistryDevice& device, const std::wstring& strStaged, const std::wstring& strSlot)
    {
        m_driverKeys.push_back(strSlot);
        const std::wstring strKey = std::wstring(c_szClassKey) + L"\\" + strSlot;
        return device.IsDefined() && device.SetMultiString(L"HardwareID", { L"USB\\VID_F055&PID_0C77" }) &&
               device.SetString(L"Driver", L"{6f3b2c10-58a4-4c8e-9d1e-3a7b5e2f0a11}\\" + strSlot) &&
               RegSetKeyValueW(HKEY_LOCAL_MACHINE, strKey.c_str(), L"InfPath", REG_SZ, strStaged.c_str(),
                               static_cast<DWORD>((strStaged.size() + 1) * sizeof(WCHAR))) == ERROR_SUCCESS;
    }

private:
    void Forget() const
    {
        for (const auto& strName : FilesNaming(m_strName))
            DeleteFileW((InfFolder() + L"\\" + strName).c_str());
        for (const char* pszFolder : { "old", "new", "twin", "other" })
            DeleteFileW((CatalogRoot() + L"\\" + Widen(m_strName + "-" + pszFolder + ".cat")).c_str());
    }

    std::string m_strName;
    CScratchDir m_dir;
    std::vector<std::wstring> m_driverKeys;
};

// Runs /c (or another operation) quietly with a log; the exit code with /e
// and the log's text.
struct RUN_OUTCOME
{
    DWORD dwExitCode;
    std::string strLog;
};

RUN_OUTCOME RunProgram(const std::wstring& strArgs, CProgramRun::EDifx difx = CProgramRun::EDifx::None)
{
    CProgramRun run(difx);
    if (!run.IsReady())
        return { 0xFFFFFFFF, "" };
    const DWORD dwExit = run.RunToEnd(strArgs + L" /q /e /o run.log", c_msStart);
    std::string strLog = ReadFileBytes(run.File(L"run.log"));
    if (difx == CProgramRun::EDifx::StandIn && !run.Journal().empty())
        strLog += "\r\nDIFx was called";
    return { dwExit, strLog };
}

bool Contains(const std::string& strText, const std::string& strPart)
{
    return strText.find(strPart) != std::string::npos;
}

class Clean : public ::testing::Test
{
public:
    // The prefix reports Windows 10 to the program, and the system's own
    // INFs are noted before the first run.
    static void SetUpTestSuite()
    {
        const WCHAR szWin10[] = L"win10";
        s_bWin10 = RegSetKeyValueW(HKEY_CURRENT_USER, c_szAppDefaults, L"Version", REG_SZ, szWin10, sizeof(szWin10)) ==
                   ERROR_SUCCESS;
        s_inBox = InBoxInfFiles();
    }
    static void TearDownTestSuite() { RegDeleteTreeW(HKEY_CURRENT_USER, c_szAppDefaults); }

    // The INFs that no staging wrote: neither oemN.inf nor a test package.
    static std::map<std::wstring, std::string> InBoxInfFiles()
    {
        std::map<std::wstring, std::string> files = InfFolderFiles();
        for (auto it = files.begin(); it != files.end();) {
            if (it->first.rfind(L"OEM", 0) == 0 || it->first.rfind(L"TV", 0) == 0)
                it = files.erase(it);
            else
                ++it;
        }
        return files;
    }

protected:
    void SetUp() override
    {
        ASSERT_TRUE(s_bWin10);
        ASSERT_FALSE(s_inBox.empty());
        ASSERT_TRUE(ClearTestDevices());
    }
    void TearDown() override
    {
        ClearTestDevices();
        EXPECT_EQ(InBoxInfFiles(), s_inBox) << "an in-box INF changed";
    }

    static bool s_bWin10;
    static std::map<std::wstring, std::string> s_inBox;
    CScratchDir m_lists;
};

bool Clean::s_bWin10 = false;
std::map<std::wstring, std::string> Clean::s_inBox;

// Which version goes first (Wine keeps its own name; the second becomes
// oemN.inf), which one a device uses, which one /c is given, and what must
// follow. All cases go through one list, and one program start each for
// /v before staging, /v after, and /c: a start costs more than a case.
struct CLEAN_CASE
{
    const char* pszName;
    const char* pszKey;
    const PACKAGE_VERSION* pFirst;
    const PACKAGE_VERSION* pSecond;
    // 1 or 2: the version a device uses; 0: none.
    int nBound;
    // The second version is staged (else only written).
    bool bSecondStaged;
    // /c is given the second version's staged copy inside the INF folder.
    bool bGivenInInfFolder;
    // Whether the first version is gone afterwards.
    bool bFirstRemoved;
    DWORD dwResult;
    // A line the /c log must hold and one the /v log must hold; %s stands
    // for the first version's staged name, %d for the device's number.
    const char* pszLine;
    const char* pszPreview;
};

const CLEAN_CASE c_cases[] = {
    { "a device on the newer version: the older goes", "n", &c_older, &c_newer, 2, true, false, true, 0,
      ": removed %s (Tavelin tests, 01/15/2024,1.0.0.1): superseded by 06/01/2026,2.0.0.3\r\n",
      ": /c would remove %s\r\n" },
    { "a device on the older version keeps it and is named", "u", &c_older, &c_newer, 1, true, false, false, 0,
      ": kept %s: used by USB\\VID_F055&PID_0C7%d\\7&7A7A&0&1\r\n", ": kept %s: used by USB\\VID_F055&PID_0C7%d\\" },
    { "clean of the older with the newer staged removes nothing", "o", &c_newer, &c_older, 0, true, false, false, 0,
      ": kept %s: newer\r\n", nullptr },
    { "the same DriverVer is kept", "s", &c_newer, &c_sameAsNewer, 0, true, false, false, 0,
      ": kept %s: same version\r\n", nullptr },
    { "another Provider is no version of the package", "p", &c_otherProvider, &c_newer, 0, true, false, false, 0,
      nullptr, nullptr },
    { "an extension package is kept", "x", &c_olderExtension, &c_newerExtension, 0, true, false, false, 0,
      ": kept %s: an extension package\r\n", ": kept %s: an extension package\r\n" },
    { "a package that is not staged removes nothing", "m", &c_older, &c_newer, 0, false, false, false,
      0xE0000302, "\" is not in the driver store; nothing is removed\r\n", nullptr },
    { "a staged copy named inside the INF folder is refused", "g", &c_older, &c_newer, 0, true, true, false,
      ERROR_INVALID_PARAMETER, nullptr, nullptr },
    { "no device at all: the older goes", "z", &c_older, &c_newer, 0, true, false, true, 0,
      ": removed %s (Tavelin tests, 01/15/2024,1.0.0.1)", ": /c would remove %s\r\n" },
};

std::string Lower(std::string str)
{
    std::transform(str.begin(), str.end(), str.begin(), ::tolower);
    return str;
}

// The package's own result line of a /v log, without its time.
std::string VerifyLine(const std::string& strLog, const std::wstring& strPath)
{
    const std::string strStart = "verify \"" + Narrow(strPath) + "\": result ";
    const size_t iAt = strLog.find(strStart);
    return iAt == std::string::npos ? "" : strLog.substr(iAt, strLog.find("\r\n", iAt) - iAt);
}

// Whatever a case needs before the runs: its versions staged, its device
// bound; and what /c is given.
struct CASE_SCENE
{
    std::unique_ptr<CCleanScene> pScene;
    std::unique_ptr<CRegistryDevice> pDevice;
    std::wstring strFirst;
    std::wstring strSecond;
    std::wstring strGiven;
};

TEST_F(Clean, EachCaseRemovesOnlyWhatNoDeviceUsesAndIsOlder)
{
    std::vector<CASE_SCENE> scenes(ARRAYSIZE(c_cases));
    std::string strCleanList = ";inflist\r\n";
    std::string strVerifyList = ";inflist\r\n";
    for (size_t i = 0; i < ARRAYSIZE(c_cases); ++i) {
        const CLEAN_CASE& c = c_cases[i];
        CASE_SCENE& scene = scenes[i];
        scene.pScene.reset(new CCleanScene(c.pszKey));
        ASSERT_TRUE(scene.pScene->Write(*c.pFirst) && scene.pScene->Write(*c.pSecond)) << c.pszName;
        scene.strGiven = scene.pScene->InfPath(*c.pSecond);
        if (!c.bGivenInInfFolder)
            strVerifyList += Narrow(scene.strGiven) + "\r\n";
    }
    ASSERT_TRUE(WriteFileBytes(m_lists.File(L"verify.txt"), strVerifyList));
    const RUN_OUTCOME unstaged = RunProgram(L"/v /l \"" + m_lists.File(L"verify.txt") + L"\"");

    // The program stages them itself (/p), every first version, then every
    // second one: the second of an INF name becomes oemN.inf.
    std::string strFirstList = ";inflist\r\n";
    std::string strSecondList = ";inflist\r\n";
    for (size_t i = 0; i < ARRAYSIZE(c_cases); ++i) {
        strFirstList += Narrow(scenes[i].pScene->InfPath(*c_cases[i].pFirst)) + "\r\n";
        if (c_cases[i].bSecondStaged)
            strSecondList += Narrow(scenes[i].pScene->InfPath(*c_cases[i].pSecond)) + "\r\n";
    }
    ASSERT_TRUE(WriteFileBytes(m_lists.File(L"first.txt"), strFirstList) &&
                WriteFileBytes(m_lists.File(L"second.txt"), strSecondList));
    ASSERT_EQ(RunProgram(L"/p /l \"" + m_lists.File(L"first.txt") + L"\"").dwExitCode, 0u);
    ASSERT_EQ(RunProgram(L"/p /l \"" + m_lists.File(L"second.txt") + L"\"").dwExitCode, 0u);

    for (size_t i = 0; i < ARRAYSIZE(c_cases); ++i) {
        const CLEAN_CASE& c = c_cases[i];
        CASE_SCENE& scene = scenes[i];
        scene.strFirst = scene.pScene->StagedName(*c.pFirst);
        ASSERT_TRUE(InfFolderHas(scene.strFirst)) << c.pszName;
        if (c.bSecondStaged) {
            scene.strSecond = scene.pScene->StagedName(*c.pSecond);
            ASSERT_TRUE(InfFolderHas(scene.strSecond)) << c.pszName;
            ASSERT_EQ(scene.strSecond.rfind(L"OEM", 0), 0u) << "Wine names the second copy oemN.inf";
        }
        if (c.bGivenInInfFolder)
            scene.strGiven = InfFolder() + L"\\" + scene.strSecond;
        scene.pDevice.reset(new CRegistryDevice(L"USB", L"VID_F055&PID_0C7" + std::to_wstring(i)));
        if (c.nBound) {
            ASSERT_TRUE(scene.pScene->Bind(*scene.pDevice, c.nBound == 1 ? scene.strFirst : scene.strSecond,
                                           L"097" + std::to_wstring(i)))
                << c.pszName;
        }
        strCleanList += Narrow(scene.strGiven) + "\r\n";
    }
    ASSERT_TRUE(WriteFileBytes(m_lists.File(L"clean.txt"), strCleanList));
    const std::map<std::wstring, std::string> staged = InfFolderFiles();
    const RUN_OUTCOME verify = RunProgram(L"/v /l \"" + m_lists.File(L"verify.txt") + L"\"");
    EXPECT_EQ(InfFolderFiles(), staged) << "/v changes nothing";
    // DIFx has no such operation: one beside the exe is never called, and
    // the start line says so.
    const RUN_OUTCOME clean = RunProgram(L"/c /l \"" + m_lists.File(L"clean.txt") + L"\"", CProgramRun::EDifx::StandIn);
    EXPECT_TRUE(Contains(clean.strLog, "driver install: Windows device installation API (DIFx plays no part in /c)"));
    EXPECT_FALSE(Contains(clean.strLog, "DIFx was called"));

    DWORD dwFirstFailure = 0;
    DWORD cFailed = 0;
    DWORD cRemoved = 0;
    DWORD cKept = 0;
    for (size_t i = 0; i < ARRAYSIZE(c_cases); ++i) {
        const CLEAN_CASE& c = c_cases[i];
        const CASE_SCENE& scene = scenes[i];
        SCOPED_TRACE(c.pszName);
        EXPECT_EQ(InfFolderHas(scene.strFirst), !c.bFirstRemoved);
        if (c.bSecondStaged) {
            EXPECT_TRUE(InfFolderHas(scene.strSecond));
        }
        char szCode[16];
        snprintf(szCode, sizeof(szCode), "0x%08lX", c.dwResult);
        EXPECT_TRUE(Contains(clean.strLog, "clean \"" + Narrow(scene.strGiven) + "\": result " + szCode));
        char szLine[512];
        const std::string strFirst = Lower(Narrow(scene.strFirst));
        if (c.pszLine) {
            snprintf(szLine, sizeof(szLine), c.pszLine, strFirst.c_str(), static_cast<int>(i));
            EXPECT_TRUE(Contains(Lower(clean.strLog), Lower(szLine))) << szLine;
        }
        EXPECT_EQ(Contains(Lower(clean.strLog), ": removed " + strFirst + " "), c.bFirstRemoved);
        if (!c.bGivenInInfFolder) {
            EXPECT_EQ(VerifyLine(verify.strLog, scene.strGiven), VerifyLine(unstaged.strLog, scene.strGiven));
            EXPECT_NE(VerifyLine(verify.strLog, scene.strGiven), "");
            EXPECT_EQ(Contains(Lower(verify.strLog), ": /c would remove " + strFirst + "\r\n"), c.bFirstRemoved);
        }
        if (c.pszPreview) {
            snprintf(szLine, sizeof(szLine), c.pszPreview, strFirst.c_str(), static_cast<int>(i));
            EXPECT_TRUE(Contains(Lower(verify.strLog), Lower(szLine))) << szLine;
        }
        cRemoved += c.bFirstRemoved;
        cKept += c.pszLine && Contains(c.pszLine, ": kept ");
        if (c.dwResult != 0 && cFailed++ == 0)
            dwFirstFailure = c.dwResult;
    }
    EXPECT_FALSE(Contains(unstaged.strLog, "/c would")) << unstaged.strLog;
    char szEnd[256];
    snprintf(szEnd, sizeof(szEnd),
             "end packages cleaned %u, succeeded %lu, failed %lu; versions removed %lu, kept %lu; restart needed: no; "
             "exit code with /e: %lu (0x%08lX)",
             static_cast<unsigned>(ARRAYSIZE(c_cases)), static_cast<DWORD>(ARRAYSIZE(c_cases)) - cFailed, cFailed,
             cRemoved, cKept, dwFirstFailure, dwFirstFailure);
    EXPECT_TRUE(Contains(clean.strLog, szEnd)) << szEnd << "\n" << clean.strLog;
    EXPECT_EQ(clean.dwExitCode, dwFirstFailure);
}

} // namespace
