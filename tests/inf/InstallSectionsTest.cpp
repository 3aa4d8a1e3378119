// The sections an install on a device runs, read through SetupAPI: the files
// they copy (sections and @file alike), a model line without its install
// section, and the kernel services they add. One table of INFs.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "inf/InfFile.h"
#include "inf/KernelServices.h"
#include "inf/PackageCopiedFiles.h"
#include "support/TestFiles.h"

namespace {

const char c_szBase[] =
    "[Version]\r\nSignature=\"$Windows NT$\"\r\n[Manufacturer]\r\nT=Models,NTamd64\r\n"
    "[Models.NTamd64]\r\nDev=Dev_Install,USB\\VID_F055&PID_0F01\r\nAlso=Dev_Install,USB\\VID_F055&PID_0F02\r\n"
    "[Dev_Install.NTamd64]\r\nCopyFiles=Dev_Files,@one.sys\r\n[Dev_Files]\r\ndev.sys\r\n"
    "[Dev_Install.NTamd64.Services]\r\nAddService=D,2,Kernel\r\nAddService=U,,User\r\n"
    "[Kernel]\r\nServiceType=1\r\nServiceBinary=%12%\\dev.sys\r\n[User]\r\nServiceType=16\r\nServiceBinary=u.exe\r\n"
    "[DestinationDirs]\r\nDefaultDestDir=12\r\n[SourceDisksNames]\r\n1=disk\r\n[SourceDisksFiles]\r\n"
    "dev.sys=1\r\none.sys=1\r\nco.dll=1\r\nif.dll=1\r\nclass64.dll=1\r\nclass.dll=1\r\nfs.sys=1\r\n";

struct SECTIONS_CASE
{
    const char* pszExtra; // sections added to the base INF
    std::set<std::string> files;
    std::vector<std::string> missing; // "section|model|ID"
    std::set<std::string> services;   // the binaries' file names
};

const SECTIONS_CASE g_rgCases[] = {
    { "", { "dev.sys", "one.sys" }, {}, { "dev.sys" } },
    // Co-installers, AddInterface sections and ClassInstall32 in its x64 decoration.
    { "[Dev_Install.NTamd64.CoInstallers]\r\nCopyFiles=@co.dll\r\n[Dev_Install.NTamd64.Interfaces]\r\n"
      "AddInterface={7a7a7e01-0000-4000-8000-00000000c0de},,If\r\nAddInterface={7a7a7e01-0000-4000-8000-00000000c0df}\r\n"
      "[If]\r\nCopyFiles=@if.dll\r\n[ClassInstall32.NTamd64]\r\nCopyFiles=@class64.dll\r\n[ClassInstall32]\r\n"
      "CopyFiles=@class.dll\r\n",
      { "dev.sys", "one.sys", "co.dll", "if.dll", "class64.dll" }, {}, { "dev.sys" } },
    // Another decoration's co-installers do not run; an undecorated class installer does.
    { "[Dev_Install.NTx86.CoInstallers]\r\nCopyFiles=@co.dll\r\n[ClassInstall32]\r\nCopyFiles=@class.dll\r\n",
      { "dev.sys", "one.sys", "class.dll" }, {}, { "dev.sys" } },
    { "[Models.NTamd64]\r\nGone=Gone_Install,USB\\VID_F055&PID_0F03,USB\\Class_F0\r\n"
      "[Dev_Install.NTamd64.Services]\r\nAddService=F,,Fs\r\n[Fs]\r\nServiceType=2\r\nServiceBinary=%12%\\fs.sys\r\n",
      { "dev.sys", "one.sys" }, { "Gone_Install|Gone|USB\\VID_F055&PID_0F03" }, { "dev.sys", "fs.sys" } },
};

DWORD RecordMissing(LPCWSTR pszSection, LPCWSTR pszModel, LPCWSTR pszId, PVOID pv)
{
    static_cast<std::vector<std::string>*>(pv)->push_back(Narrow(pszSection) + "|" + Narrow(pszModel) + "|" +
                                                          Narrow(pszId));
    return ERROR_SUCCESS;
}

std::set<std::string> FileNames(const CPathList& paths)
{
    std::set<std::string> names;
    for (LPCWSTR psz = paths.First(); psz; psz = paths.Next(psz))
        names.insert(Narrow(wcsrchr(psz, L'\\') ? wcsrchr(psz, L'\\') + 1 : psz));
    return names;
}

TEST(InstallSections, EachSectionAnInstallRunsIsRead)
{
    CScratchDir dir;
    for (const SECTIONS_CASE& c : g_rgCases) {
        SCOPED_TRACE(c.pszExtra);
        ASSERT_TRUE(WriteFileBytes(dir.File(L"s.inf"), std::string(c_szBase) + c.pszExtra));
        CInfFile inf;
        ASSERT_EQ(OpenPackageInf(dir.File(L"s.inf").c_str(), &inf), 0u);
        CPathList files;
        CPathList binaries;
        std::vector<std::string> missing;
        ASSERT_EQ(ReadPackageCopiedFiles(inf.Get(), (dir.Path() + L"\\").c_str(), &files, RecordMissing, &missing), 0u);
        ASSERT_EQ(ReadPackageKernelServices(inf.Get(), &binaries), 0u);
        EXPECT_EQ(std::wstring(files.First()).rfind(dir.Path() + L"\\", 0), 0u) << "from the package's folder";
        EXPECT_EQ(FileNames(files), c.files);
        EXPECT_EQ(missing, c.missing);
        EXPECT_EQ(FileNames(binaries), c.services);
    }
}

} // namespace
