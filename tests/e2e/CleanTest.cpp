// /c through the real program on a Windows without DIFx: two versions of one
// package with the same INF name and different catalog names, staged by the
// program itself into the prefix's driver store (Wine keeps the first one's
// own name and names the second oemN.inf), devices bound to them through
// their driver keys, then /c. Every check reads the INF folder itself.
#include <gtest/gtest.h>

#include <windows.h>
#include <setupapi.h>

#include <algorithm>
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
struct VERSION_SPEC
{
    const char* pszFolder;
    const char* pszDriverVer;
    const char* pszProvider;
    bool bExtension;
};

const VERSION_SPEC c_older = { "old", "01/15/2024,1.0.0.1", "Tavelin tests", false };
const VERSION_SPEC c_newer = { "new", "06/01/2026,2.0.0.3", "Tavelin tests", false };
const VERSION_SPEC c_sameAsNewer = { "twin", "06/01/2026,2.0.0.3", "Tavelin tests", false };
const VERSION_SPEC c_otherProvider = { "other", "01/15/2024,1.0.0.1", "Another vendor", false };
const VERSION_SPEC c_olderExtension = { "old", "01/15/2024,1.0.0.1", "Tavelin tests", true };
const VERSION_SPEC c_newerExtension = { "new", "06/01/2026,2.0.0.3", "Tavelin tests", true };

std::string CleanInfText(const std::string& strName, const VERSION_SPEC& spec)
{
    const std::string strCatalog = strName + "-" + spec.pszFolder + ".cat";
    return "[Version]\r\nSignature = \"$WINDOWS NT$\"\r\n" +
           std::string(spec.bExtension ? "Class = Extension\r\nClassGuid = " + std::string(c_szExtensionGuid)
                                       : "Class = TavelinSample\r\nClassGuid = " + std::string(c_szClassGuid)) +
           "\r\nProvider = %P%\r\nDriverVer = " + spec.pszDriverVer + "\r\nCatalogFile = " + strCatalog +
           "\r\n\r\n[Manufacturer]\r\n%P% = Models, NTamd64\r\n\r\n[Models.NTamd64]\r\n%D% = Dev_Install, USB\\VID_F055&PID_0C77\r\n"
           "\r\n[Dev_Install.NTamd64]\r\n\r\n[Strings]\r\nP = \"" +
           spec.pszProvider + "\"\r\nD = \"Test device " + strName + " " + spec.pszFolder + "\"\r\n";
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

    std::wstring InfPath(const VERSION_SPEC& spec) const
    {
        return m_dir.File(Widen(spec.pszFolder) + L"\\" + Widen(m_strName) + L".inf");
    }
    std::string Bytes(const VERSION_SPEC& spec) const { return CleanInfText(m_strName, spec); }

    bool Write(const VERSION_SPEC& spec) const
    {
        const std::wstring strFolder = m_dir.File(Widen(spec.pszFolder));
        CreateDirectoryW(strFolder.c_str(), nullptr);
        return WriteFileBytes(InfPath(spec), Bytes(spec)) &&
               WriteFileBytes(strFolder + L"\\" + Widen(m_strName + "-" + spec.pszFolder + ".cat"),
                              "catalog " + m_strName + " " + spec.pszFolder);
    }

    // Stages the version as the program's /p does (in this process: a
    // program start per version would cost more than the rest of a case),
    // and gives the name the INF folder holds it under.
    std::wstring Stage(const VERSION_SPEC& spec) const
    {
        WCHAR szStaged[MAX_PATH] = {};
        if (!Write(spec) ||
            !SetupCopyOEMInfW(InfPath(spec).c_str(), nullptr, SPOST_PATH, 0, szStaged, MAX_PATH, nullptr, nullptr))
            return L"";
        return StagedNameOf(Bytes(spec));
    }

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

    const std::string& Name() const { return m_strName; }

    // The INF folder without the scene's own files.
    std::map<std::wstring, std::string> OtherInfFiles() const
    {
        std::map<std::wstring, std::string> files = InfFolderFiles();
        for (const auto& strName : FilesNaming(m_strName))
            files.erase(strName);
        return files;
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
};

bool Clean::s_bWin10 = false;
std::map<std::wstring, std::string> Clean::s_inBox;

// Which version goes first (Wine keeps its own name; the second becomes
// oemN.inf), which one a device uses, which one /c is given, and what must
// follow.
struct CLEAN_CASE
{
    const char* pszName;
    const char* pszKey;
    const VERSION_SPEC* pFirst;
    const VERSION_SPEC* pSecond;
    // 1 or 2: the version a device uses; 0: none.
    int nBound;
    // 1 or 2: the version /c is given.
    int nGiven;
    // Whether the version /c is not given is gone afterwards.
    bool bOtherRemoved;
    DWORD dwExit;
    // A line the log must hold; %s stands for the other version's staged name.
    const char* pszLine;
    const char* pszEnd;
};

const CLEAN_CASE c_cases[] = {
    { "a device on the newer version: the older goes", "n", &c_older, &c_newer, 2, 2, true, 0,
      ": removed %s (Tavelin tests, 01/15/2024,1.0.0.1): superseded by 06/01/2026,2.0.0.3\r\n",
      "end packages cleaned 1, succeeded 1, failed 0; versions removed 1, kept 0;" },
    { "no device at all: the older goes", "z", &c_older, &c_newer, 0, 2, true, 0,
      ": removed %s (Tavelin tests, 01/15/2024,1.0.0.1): superseded by 06/01/2026,2.0.0.3\r\n",
      "versions removed 1, kept 0;" },
    { "a device on the older version keeps it and is named", "u", &c_older, &c_newer, 1, 2, false, 0,
      ": kept %s: used by USB\\VID_F055&PID_0C77\\7&7A7A&0&1\r\n", "versions removed 0, kept 1;" },
    { "clean of the older with the newer staged removes nothing", "o", &c_newer, &c_older, 0, 2, false, 0,
      ": kept %s: newer\r\n", "versions removed 0, kept 1;" },
    { "the same DriverVer is kept", "s", &c_newer, &c_sameAsNewer, 0, 2, false, 0, ": kept %s: same version\r\n",
      "versions removed 0, kept 1;" },
    { "another Provider is no version of the package", "p", &c_otherProvider, &c_newer, 0, 2, false, 0, nullptr,
      "versions removed 0, kept 0;" },
    { "an extension package is kept", "x", &c_olderExtension, &c_newerExtension, 0, 2, false, 0,
      ": kept %s: an extension package\r\n", "versions removed 0, kept 1;" },
};

class CleanCases : public Clean, public ::testing::WithParamInterface<CLEAN_CASE>
{
};

TEST_P(CleanCases, RemovesOnlyWhatNoDeviceUsesAndIsOlder)
{
    const CLEAN_CASE& c = GetParam();
    CCleanScene scene(c.pszKey);
    const std::wstring strFirst = scene.Stage(*c.pFirst);
    const std::wstring strSecond = scene.Stage(*c.pSecond);
    ASSERT_TRUE(InfFolderHas(strFirst) && InfFolderHas(strSecond));
    ASSERT_NE(strFirst, strSecond);
    ASSERT_EQ(strSecond.rfind(L"OEM", 0), 0u) << "Wine names the second copy oemN.inf";
    CRegistryDevice device(L"USB", L"VID_F055&PID_0C77");
    if (c.nBound) {
        ASSERT_TRUE(scene.Bind(device, c.nBound == 1 ? strFirst : strSecond, L"0977"));
    }
    const std::map<std::wstring, std::string> others = scene.OtherInfFiles();

    const VERSION_SPEC& given = c.nGiven == 1 ? *c.pFirst : *c.pSecond;
    const std::wstring& strGiven = c.nGiven == 1 ? strFirst : strSecond;
    const std::wstring& strOther = c.nGiven == 1 ? strSecond : strFirst;
    const RUN_OUTCOME outcome = RunProgram(L"/c /s \"" + scene.InfPath(given) + L"\"");

    EXPECT_EQ(outcome.dwExitCode, c.dwExit) << outcome.strLog;
    EXPECT_TRUE(InfFolderHas(strGiven));
    EXPECT_EQ(InfFolderHas(strOther), !c.bOtherRemoved) << outcome.strLog;
    EXPECT_EQ(scene.OtherInfFiles(), others);
    if (c.pszLine) {
        char szLine[512];
        std::string strOtherLower = Narrow(strOther);
        std::transform(strOtherLower.begin(), strOtherLower.end(), strOtherLower.begin(), ::tolower);
        snprintf(szLine, sizeof(szLine), c.pszLine, strOtherLower.c_str());
        std::string strLogLower = outcome.strLog;
        std::transform(strLogLower.begin(), strLogLower.end(), strLogLower.begin(), ::tolower);
        std::string strLineLower = szLine;
        std::transform(strLineLower.begin(), strLineLower.end(), strLineLower.begin(), ::tolower);
        EXPECT_TRUE(Contains(strLogLower, strLineLower)) << szLine << "\n" << outcome.strLog;
    }
    EXPECT_FALSE(Contains(outcome.strLog, ": removed ") && !c.bOtherRemoved) << outcome.strLog;
    EXPECT_TRUE(Contains(outcome.strLog, c.pszEnd)) << outcome.strLog;
    EXPECT_TRUE(Contains(outcome.strLog, "clean \"" + Narrow(scene.InfPath(given)) + "\": result 0x")) << outcome.strLog;
}

INSTANTIATE_TEST_SUITE_P(Table, CleanCases, ::testing::ValuesIn(c_cases),
                         [](const ::testing::TestParamInfo<CLEAN_CASE>& info) {
                             return std::string("case_") + info.param.pszKey;
                         });

TEST_F(Clean, APackageThatIsNotStagedRemovesNothing)
{
    CCleanScene scene("m");
    ASSERT_FALSE(scene.Stage(c_older).empty());
    ASSERT_TRUE(scene.Write(c_newer));
    const std::map<std::wstring, std::string> before = InfFolderFiles();

    const RUN_OUTCOME outcome = RunProgram(L"/c /s \"" + scene.InfPath(c_newer) + L"\"");
    EXPECT_EQ(outcome.dwExitCode, 0xE0000302u) << outcome.strLog;
    EXPECT_EQ(InfFolderFiles(), before);
    EXPECT_TRUE(Contains(outcome.strLog, "is not in the driver store; nothing is removed")) << outcome.strLog;
    EXPECT_TRUE(Contains(outcome.strLog, ": result 0xE0000302")) << outcome.strLog;
}

// DIFx has no such operation: a DIFXAPI.dll beside the exe is never called,
// and the start line says so.
TEST_F(Clean, DifxBesideTheExePlaysNoPart)
{
    CCleanScene scene("d");
    const std::wstring strOld = scene.Stage(c_older);
    ASSERT_FALSE(strOld.empty());
    ASSERT_FALSE(scene.Stage(c_newer).empty());
    const RUN_OUTCOME outcome = RunProgram(L"/c /s \"" + scene.InfPath(c_newer) + L"\"", CProgramRun::EDifx::StandIn);
    EXPECT_EQ(outcome.dwExitCode, 0u) << outcome.strLog;
    EXPECT_FALSE(InfFolderHas(strOld));
    EXPECT_TRUE(Contains(outcome.strLog, "driver install: Windows device installation API (DIFx plays no part in /c)"))
        << outcome.strLog;
    EXPECT_FALSE(Contains(outcome.strLog, "DIFx was called")) << outcome.strLog;
}

TEST_F(Clean, AStagedCopyNamedInsideTheInfFolderIsRefused)
{
    CCleanScene scene("g");
    const std::wstring strOld = scene.Stage(c_older);
    const std::wstring strNew = scene.Stage(c_newer);
    ASSERT_TRUE(InfFolderHas(strOld) && InfFolderHas(strNew));
    const RUN_OUTCOME outcome = RunProgram(L"/c /s \"" + InfFolder() + L"\\" + strNew + L"\"");
    EXPECT_EQ(outcome.dwExitCode, static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << outcome.strLog;
    EXPECT_TRUE(InfFolderHas(strOld));
}

// A list: each package cleans its own older versions; a package that is not
// staged fails on its own, and /e gives its code as the first failure.
TEST_F(Clean, AListCleansEachPackageAndReportsTheFirstFailure)
{
    CCleanScene first("l1");
    CCleanScene second("l2");
    CCleanScene missing("l3");
    const std::wstring strOld1 = first.Stage(c_older);
    const std::wstring strOld2 = second.Stage(c_older);
    ASSERT_TRUE(InfFolderHas(strOld1) && InfFolderHas(strOld2));
    ASSERT_FALSE(first.Stage(c_newer).empty());
    ASSERT_FALSE(second.Stage(c_newer).empty());
    ASSERT_TRUE(missing.Write(c_newer));
    CScratchDir listDir;
    ASSERT_TRUE(WriteFileBytes(listDir.File(L"list.txt"), ";inflist\r\n" + Narrow(first.InfPath(c_newer)) + "\r\n" +
                                                               Narrow(missing.InfPath(c_newer)) + "\r\n" +
                                                               Narrow(second.InfPath(c_newer)) + "\r\n"));

    const RUN_OUTCOME outcome = RunProgram(L"/c /l \"" + listDir.File(L"list.txt") + L"\"");
    EXPECT_EQ(outcome.dwExitCode, 0xE0000302u) << outcome.strLog;
    EXPECT_FALSE(InfFolderHas(strOld1));
    EXPECT_FALSE(InfFolderHas(strOld2));
    EXPECT_TRUE(Contains(outcome.strLog,
                         "end packages cleaned 3, succeeded 2, failed 1; versions removed 2, kept 0; restart needed: "
                         "no; exit code with /e: 3758097154 (0xE0000302)"))
        << outcome.strLog;
}

// /v of the newer tells what /c would do, and changes nothing: not the INF
// folder, not its own result.
TEST_F(Clean, VerifyOfTheNewerShowsTheOlderAndChangesNothing)
{
    CCleanScene scene("v");
    const std::wstring strOld = scene.Stage(c_older);
    ASSERT_FALSE(strOld.empty());
    ASSERT_TRUE(scene.Write(c_newer));
    const RUN_OUTCOME unstaged = RunProgram(L"/v /s \"" + scene.InfPath(c_newer) + L"\"");
    ASSERT_FALSE(scene.Stage(c_newer).empty());
    const std::map<std::wstring, std::string> before = InfFolderFiles();

    const RUN_OUTCOME outcome = RunProgram(L"/v /s \"" + scene.InfPath(c_newer) + L"\"");
    EXPECT_EQ(InfFolderFiles(), before);
    EXPECT_EQ(outcome.dwExitCode, unstaged.dwExitCode);
    std::string strLine = "event info 0x00000000: /c would remove " + Narrow(strOld) + "\r\n";
    std::string strLogLower = outcome.strLog;
    std::transform(strLogLower.begin(), strLogLower.end(), strLogLower.begin(), ::tolower);
    std::transform(strLine.begin(), strLine.end(), strLine.begin(), ::tolower);
    EXPECT_TRUE(Contains(strLogLower, strLine)) << outcome.strLog;
    EXPECT_FALSE(Contains(unstaged.strLog, "/c would remove")) << unstaged.strLog;
}

} // namespace
