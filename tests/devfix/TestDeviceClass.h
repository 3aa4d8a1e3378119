#pragma once

#include <windows.h>

#include <string>

// A device class of the tests' own, whose class key names the test class
// installer (tests/support/installer): a device of this class can be made to
// fail its removal with a given code, or to ask for a restart when it goes.
// The class key is made afresh by the holder and deleted when it goes.
class CTestDeviceClass
{
public:
    explicit CTestDeviceClass(LPCWSTR pszGuid);
    ~CTestDeviceClass();
    CTestDeviceClass(const CTestDeviceClass&) = delete;
    CTestDeviceClass& operator=(const CTestDeviceClass&) = delete;

    // The key exists and names the installer, which lies where it is named.
    bool IsReady() const { return m_bReady; }
    const std::wstring& Guid() const { return m_strGuid; }
    // HKLM-relative path of the class key.
    const std::wstring& KeyPath() const { return m_strKey; }

    // What the next removals of devices of this class do.
    bool FailRemovalWith(DWORD dwError);
    bool AskRestartOnRemoval(bool bRestart);

    // A driver key <class>\<strIndex> whose InfPath is pszInf: the value a
    // device's "Driver" names.
    bool DefineDriverKey(const std::wstring& strIndex, LPCWSTR pszInf) const;

private:
    bool SetDword(LPCWSTR pszName, DWORD dwValue);

    std::wstring m_strGuid;
    std::wstring m_strKey;
    bool m_bReady = false;
};

// The full path of the test class installer DLL, or "" when it is missing.
std::wstring TestClassInstallerPath();
