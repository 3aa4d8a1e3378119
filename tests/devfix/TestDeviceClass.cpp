#include "TestDeviceClass.h"

#include <vector>

namespace {

const wchar_t c_szClassRoot[] = L"System\\CurrentControlSet\\Control\\Class\\";
const wchar_t c_szInstallerDll[] = L"tavelin-test-classinst.dll";

bool SetString(LPCWSTR pszKey, LPCWSTR pszName, const std::wstring& strValue)
{
    return RegSetKeyValueW(HKEY_LOCAL_MACHINE, pszKey, pszName, REG_SZ, strValue.c_str(),
                           static_cast<DWORD>((strValue.size() + 1) * sizeof(WCHAR))) == ERROR_SUCCESS;
}

bool FileThere(const std::wstring& strPath)
{
    const DWORD dwAttributes = GetFileAttributesW(strPath.c_str());
    return dwAttributes != INVALID_FILE_ATTRIBUTES && !(dwAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

std::wstring TestClassInstallerPath()
{
    // Beside the test program, or one folder up (programs that must not see
    // the stand-in DIFXAPI.dll live in a folder of their own).
    WCHAR szExe[MAX_PATH * 2] = {};
    const DWORD cch = GetModuleFileNameW(nullptr, szExe, ARRAYSIZE(szExe));
    if (cch == 0 || cch >= ARRAYSIZE(szExe))
        return L"";
    std::wstring strFolder(szExe);
    for (int i = 0; i < 2; ++i) {
        strFolder.resize(strFolder.find_last_of(L'\\'));
        if (FileThere(strFolder + L"\\" + c_szInstallerDll))
            return strFolder + L"\\" + c_szInstallerDll;
    }
    return L"";
}

CTestDeviceClass::CTestDeviceClass(LPCWSTR pszGuid) : m_strGuid(pszGuid), m_strKey(c_szClassRoot + m_strGuid)
{
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, m_strKey.c_str());
    const std::wstring strDll = TestClassInstallerPath();
    m_bReady = !strDll.empty() && SetString(m_strKey.c_str(), L"Class", L"TavelinTest") &&
               SetString(m_strKey.c_str(), L"Installer32", strDll + L",TestClassInstaller");
}

CTestDeviceClass::~CTestDeviceClass()
{
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, m_strKey.c_str());
}

bool CTestDeviceClass::SetDword(LPCWSTR pszName, DWORD dwValue)
{
    return RegSetKeyValueW(HKEY_LOCAL_MACHINE, m_strKey.c_str(), pszName, REG_DWORD, &dwValue, sizeof(dwValue)) ==
           ERROR_SUCCESS;
}

bool CTestDeviceClass::FailRemovalWith(DWORD dwError)
{
    return SetDword(L"TestRemoveError", dwError);
}

bool CTestDeviceClass::AskRestartOnRemoval(bool bRestart)
{
    return SetDword(L"TestRemoveReboot", bRestart ? 1 : 0);
}

bool CTestDeviceClass::DefineDriverKey(const std::wstring& strIndex, LPCWSTR pszInf) const
{
    return SetString((m_strKey + L"\\" + strIndex).c_str(), L"InfPath", pszInf);
}
