// The sections an install on a device runs, as /v and the native provider
// read them through SetupAPI: the files they copy (as sections and as single
// @file entries), a model line without its install section, and the kernel
// services they add. One table of INFs, each with what must be found.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "inf/InfFile.h"
#include "inf/InfSetupApi.h"
#include "inf/KernelServices.h"
#include "inf/PackageCopiedFiles.h"
#include "support/TestFiles.h"

namespace {

const char c_szBase[] =
    "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Sample\r\n"
    "ClassGuid={6f3b2c10-58a4-4c8e-9d1e-3a7b5e2f0a11}\r\nProvider=Tests\r\n"
    "[Manufacturer]\r\nTests=Models,NTamd64\r\n"
    "[Models.NTamd64]\r\nDev=Dev_Install,USB\\VID_F055&PID_0F01\r\nAlso=Dev_Install,USB\\VID_F055&PID_0F02\r\n"
    "[Dev_Install.NTamd64]\r\nCopyFiles=Dev_Files,@single.sys\r\n"
    "[Dev_Install.NTamd64.Services]\r\nAddService=DevSvc,2,Dev_Service\r\nAddService=UserSvc,,User_Service\r\n"
    "[Dev_Service]\r\nServiceType=1\r\nStartType=3\r\nErrorControl=1\r\nServiceBinary=%12%\\dev.sys\r\n"
    "[User_Service]\r\nServiceType=16\r\nStartType=3\r\nErrorControl=1\r\nServiceBinary=%11%\\user.exe\r\n"
    "[Dev_Files]\r\ndev.sys\r\n"
    "[DestinationDirs]\r\nDefaultDestDir=12\r\n"
    "[SourceDisksNames]\r\n1=disk\r\n"
    "[SourceDisksFiles]\r\ndev.sys=1\r\nsingle.sys=1\r\ncoinst.dll=1\r\nintf.dll=1\r\nclass64.dll=1\r\nclass.dll=1\r\n"
    "fs.sys=1\r\n";

struct SECTIONS_CASE
{
    const char* pszName;
    const char* pszExtra; // sections added to the base INF
    std::set<std::string> files;
    std::vector<std::string> missing; // "section|model|ID"
    std::set<std::string> services;   // the binaries' file names
};

const std::set<std::string> c_devFiles = { "dev.sys", "single.sys" };

std::vector<SECTIONS_CASE> Cases()
{
    std::set<std::string> withCo = c_devFiles;
    withCo.insert("coinst.dll");
    std::set<std::string> withIntf = c_devFiles;
    withIntf.insert("intf.dll");
    std::set<std::string> withClass64 = c_devFiles;
    withClass64.insert("class64.dll");
    std::set<std::string> withClass = c_devFiles;
    withClass.insert("class.dll");
    return {
        { "the DDInstall section, as a section and as @file", "", c_devFiles, {}, { "dev.sys" } },
        { "its co-installers", "[Dev_Install.NTamd64.CoInstallers]\r\nCopyFiles=@coinst.dll\r\n", withCo, {},
          { "dev.sys" } },
        { "the sections AddInterface names",
          "[Dev_Install.NTamd64.Interfaces]\r\nAddInterface={7a7a7e01-0000-4000-8000-00000000c0de},,Intf_Install\r\n"
          "AddInterface={7a7a7e01-0000-4000-8000-00000000c0df}\r\n[Intf_Install]\r\nCopyFiles=@intf.dll\r\n",
          withIntf, {}, { "dev.sys" } },
        { "ClassInstall32 in its x64 decoration",
          "[ClassInstall32.NTamd64]\r\nCopyFiles=@class64.dll\r\n[ClassInstall32]\r\nCopyFiles=@class.dll\r\n",
          withClass64, {}, { "dev.sys" } },
        { "ClassInstall32 undecorated", "[ClassInstall32]\r\nCopyFiles=@class.dll\r\n", withClass, {}, { "dev.sys" } },
        { "another decoration's co-installers are not run",
          "[Dev_Install.NTx86.CoInstallers]\r\nCopyFiles=@coinst.dll\r\n", c_devFiles, {}, { "dev.sys" } },
        { "a model line without its install section",
          "[Models.NTamd64]\r\nGone=Gone_Install,USB\\VID_F055&PID_0F03,USB\\Class_F0\r\n", c_devFiles,
          { "Gone_Install|Gone|USB\\VID_F055&PID_0F03" }, { "dev.sys" } },
        { "a file system driver is a kernel service too",
          "[Dev_Install.NTamd64.Services]\r\nAddService=FsSvc,,Fs_Service\r\n"
          "[Fs_Service]\r\nServiceType=2\r\nServiceBinary=%12%\\fs.sys\r\n",
          c_devFiles, {}, { "dev.sys", "fs.sys" } },
    };
}

DWORD __cdecl RecordMissing(LPCWSTR pszSection, LPCWSTR pszModel, LPCWSTR pszId, PVOID pv)
{
    static_cast<std::vector<std::string>*>(pv)->push_back(Narrow(pszSection) + "|" + Narrow(pszModel) + "|" +
                                                          Narrow(pszId));
    return ERROR_SUCCESS;
}

std::string FileName(const std::wstring& strPath)
{
    return Narrow(strPath.substr(strPath.find_last_of(L'\\') + 1));
}

TEST(InstallSections, EachSectionAnInstallRunsIsRead)
{
    CScratchDir dir;
    INF_SETUP_API& api = InfSetupApi();
    const auto pfnReal = api.pfnSetupDiGetActualSectionToInstallW;
    for (const SECTIONS_CASE& c : Cases()) {
        // SetupAPI's choice of the decoration, and the documented rule.
        for (bool bRule : { false, true }) {
            SCOPED_TRACE(std::string(c.pszName) + (bRule ? " by the rule" : ""));
            api.pfnSetupDiGetActualSectionToInstallW = bRule ? nullptr : pfnReal;
            ASSERT_TRUE(WriteFileBytes(dir.File(L"s.inf"), std::string(c_szBase) + c.pszExtra));
            CInfFile inf;
            ASSERT_EQ(OpenPackageInf(dir.File(L"s.inf").c_str(), &inf), 0u);
            CPathList files;
            std::vector<std::string> missing;
            ASSERT_EQ(ReadPackageCopiedFiles(inf.Get(), (dir.Path() + L"\\").c_str(), &files, RecordMissing, &missing),
                      0u);
            std::set<std::string> names;
            for (LPCWSTR psz = files.First(); psz; psz = files.Next(psz)) {
                EXPECT_EQ(std::wstring(psz).rfind(dir.Path() + L"\\", 0), 0u) << Narrow(psz);
                names.insert(FileName(psz));
            }
            EXPECT_EQ(names, c.files);
            EXPECT_EQ(missing, c.missing);

            CPathList binaries;
            ASSERT_EQ(ReadPackageKernelServices(inf.Get(), &binaries), 0u);
            std::set<std::string> services;
            for (LPCWSTR psz = binaries.First(); psz; psz = binaries.Next(psz))
                services.insert(FileName(psz));
            EXPECT_EQ(services, c.services);
        }
    }
    api.pfnSetupDiGetActualSectionToInstallW = pfnReal;
}

} // namespace
