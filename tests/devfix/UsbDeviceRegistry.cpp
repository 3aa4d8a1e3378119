#include "UsbDeviceRegistry.h"

namespace {

const wchar_t g_szEnumRoot[] = L"System\\CurrentControlSet\\Enum\\";
const wchar_t g_szMarker[] = L"TavelinTestDevice";
// Portable devices: the setup class Windows puts MTP devices in.
const wchar_t g_szClassGuid[] = L"{EEC5AD98-8080-425F-922A-DABF3DE3F69A}";

bool KeyExists(const std::wstring& strPath)
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, strPath.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    RegCloseKey(hKey);
    return true;
}

bool HasMarker(const std::wstring& strPath)
{
    DWORD dwValue = 0;
    DWORD cb = sizeof(dwValue);
    return RegGetValueW(HKEY_LOCAL_MACHINE, strPath.c_str(), g_szMarker, RRF_RT_REG_DWORD, nullptr, &dwValue, &cb)
            == ERROR_SUCCESS
        && dwValue == 1;
}

bool SetValue(const std::wstring& strPath, LPCWSTR pszName, DWORD dwType, const std::string& strBytes)
{
    // For string types the registry adds a terminator when the unit right
    // after the given bytes is zero; non-zero bytes behind the data keep it
    // exactly as given.
    std::string strStored = strBytes + std::string(4, '\xff');
    const DWORD cbData = static_cast<DWORD>(strBytes.size());
    if (RegSetKeyValueW(HKEY_LOCAL_MACHINE, strPath.c_str(), pszName, dwType, strStored.data(), cbData)
        != ERROR_SUCCESS)
        return false;
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, strPath.c_str(), 0, KEY_QUERY_VALUE, &hKey) != ERROR_SUCCESS)
        return false;
    DWORD dwStoredType = REG_NONE;
    DWORD cbStored = 0;
    LONG lResult = RegQueryValueExW(hKey, pszName, nullptr, &dwStoredType, nullptr, &cbStored);
    RegCloseKey(hKey);
    return lResult == ERROR_SUCCESS && dwStoredType == dwType && cbStored == cbData;
}

// Creates the key with the marker when it is not there yet. A key that
// exists is used as it is, marked or not.
bool CreateKey(const std::wstring& strPath)
{
    HKEY hKey = nullptr;
    DWORD dwDisposition = 0;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, strPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey,
                        &dwDisposition) != ERROR_SUCCESS)
        return false;
    RegCloseKey(hKey);
    if (dwDisposition != REG_CREATED_NEW_KEY)
        return true;
    const DWORD dwMarker = 1;
    return SetValue(strPath, g_szMarker, REG_DWORD,
                    std::string(reinterpret_cast<const char*>(&dwMarker), sizeof(dwMarker)));
}

// Only a marked key without subkeys goes (RegDeleteKeyW refuses a key that
// still has subkeys), so a key someone else made or filled stays.
void DeleteIfOursAndEmpty(const std::wstring& strPath)
{
    if (HasMarker(strPath))
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, strPath.c_str());
}

// Every enumerator a test defines devices under.
const wchar_t* const g_apszTestEnumerators[] = { L"USB", L"USBSTOR", L"HID", L"PCI" };

std::vector<std::wstring> Subkeys(const std::wstring& strPath)
{
    std::vector<std::wstring> names;
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, strPath.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return names;
    WCHAR szName[256];
    for (DWORD i = 0;; ++i) {
        DWORD cchName = ARRAYSIZE(szName);
        if (RegEnumKeyExW(hKey, i, szName, &cchName, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.push_back(szName);
    }
    RegCloseKey(hKey);
    return names;
}

// Calls fn(path, depth) for the keys of the three device levels (enumerator 0,
// device id 1, instance 2), deepest first.
template <typename Fn>
void ForEachDeviceKey(Fn fn)
{
    for (const wchar_t* pszEnumerator : g_apszTestEnumerators) {
        const std::wstring strEnumerator = g_szEnumRoot + std::wstring(pszEnumerator);
        for (const std::wstring& strDeviceId : Subkeys(strEnumerator)) {
            const std::wstring strDevice = strEnumerator + L"\\" + strDeviceId;
            for (const std::wstring& strInstance : Subkeys(strDevice))
                fn(strDevice + L"\\" + strInstance, 2);
            fn(strDevice, 1);
        }
        fn(strEnumerator, 0);
    }
}

} // namespace

bool ClearTestDevices()
{
    ForEachDeviceKey([](const std::wstring& strPath, int nDepth) {
        if (nDepth == 2 && HasMarker(strPath))
            RegDeleteTreeW(HKEY_LOCAL_MACHINE, strPath.c_str());
        else
            DeleteIfOursAndEmpty(strPath);
    });
    return CountTestDeviceKeys() == 0;
}

size_t CountTestDeviceKeys()
{
    size_t cKeys = 0;
    ForEachDeviceKey([&](const std::wstring& strPath, int) {
        if (HasMarker(strPath))
            ++cKeys;
    });
    return cKeys;
}

CRegistryDevice::CRegistryDevice(const std::wstring& strEnumerator, const std::wstring& strDeviceId,
                                 const std::wstring& strInstance)
    : m_strEnumeratorPath(g_szEnumRoot + strEnumerator)
    , m_strInstanceId(strEnumerator + L"\\" + strDeviceId + L"\\" + strInstance)
{
    m_bDefined = Define(strDeviceId, strInstance);
}

bool CRegistryDevice::Define(const std::wstring& strDeviceId, const std::wstring& strInstance)
{
    m_strDeviceIdPath = m_strEnumeratorPath + L"\\" + strDeviceId;
    m_strInstancePath = m_strDeviceIdPath + L"\\" + strInstance;

    if (KeyExists(m_strInstancePath)) {
        if (!HasMarker(m_strInstancePath))
            return false;
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, m_strInstancePath.c_str());
    }
    return CreateKey(m_strEnumeratorPath) && CreateKey(m_strDeviceIdPath) && CreateKey(m_strInstancePath)
        && HasMarker(m_strInstancePath) && SetString(L"ClassGUID", g_szClassGuid);
}

CRegistryDevice::~CRegistryDevice()
{
    if (m_bAbandoned)
        return;
    if (m_bDefined && HasMarker(m_strInstancePath))
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, m_strInstancePath.c_str());
    DeleteIfOursAndEmpty(m_strDeviceIdPath);
    DeleteIfOursAndEmpty(m_strEnumeratorPath);
}

bool CRegistryDevice::Exists() const
{
    return KeyExists(m_strInstancePath);
}

std::wstring CRegistryDevice::InstanceId() const
{
    return m_strInstanceId;
}

bool CRegistryDevice::SetString(LPCWSTR pszName, const std::wstring& str, DWORD dwType)
{
    return SetRaw(pszName, dwType, SzBytes(str));
}

bool CRegistryDevice::SetMultiString(LPCWSTR pszName, std::initializer_list<std::wstring> strings)
{
    return SetRaw(pszName, REG_MULTI_SZ, MultiSzBytes(strings));
}

bool CRegistryDevice::SetRaw(LPCWSTR pszName, DWORD dwType, const std::string& strBytes)
{
    return SetValue(m_strInstancePath, pszName, dwType, strBytes);
}

bool CRegistryDevice::DeleteValue(LPCWSTR pszName)
{
    LONG lResult = RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, m_strInstancePath.c_str(), pszName);
    return lResult == ERROR_SUCCESS || lResult == ERROR_FILE_NOT_FOUND;
}

bool DefineConflictingMtpDevice(CRegistryDevice& device)
{
    return device.SetString(L"Mfg", L"Rezuv")
        && device.SetString(L"Service", L"WUDFRd")
        && device.SetMultiString(L"HardwareID", { L"USB\\VID_7A7A&PID_4EE1&REV_0100", L"USB\\VID_7A7A&PID_4EE1" })
        && device.SetMultiString(L"CompatibleIDs",
                                 { L"USB\\MS_COMP_MTP", L"USB\\Class_06&SubClass_01&Prot_01", L"USB\\Class_06" });
}

std::string TextBytes(const std::wstring& str)
{
    return std::string(reinterpret_cast<const char*>(str.data()), str.size() * sizeof(wchar_t));
}

std::string SzBytes(const std::wstring& str)
{
    return TextBytes(str) + std::string(sizeof(wchar_t), '\0');
}

std::string MultiSzBytes(std::initializer_list<std::wstring> strings)
{
    std::string strBytes;
    for (const std::wstring& str : strings)
        strBytes += SzBytes(str);
    return strBytes + std::string(sizeof(wchar_t), '\0');
}

bool EnumKeyExists(const std::wstring& strRelative)
{
    return KeyExists(g_szEnumRoot + strRelative);
}
