#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>
#include <vector>

// A device defined straight in the registry, where Wine's SetupAPI finds it:
// the key HKLM\System\CurrentControlSet\Enum\<enumerator>\<device id>\<instance>
// with a REG_SZ "ClassGUID" (without a valid one Wine does not list the
// device; with one it counts as present). Properties come from the values
// "Mfg", "Service", "HardwareID" and "CompatibleIDs", with their stored types.
//
// Every key the helper creates (enumerator, device id, instance) carries a
// marker value; no unmarked key is ever deleted or replaced. When the holder
// goes away it deletes its instance key, then the device id and enumerator
// keys above it if they are marked and have no subkeys left, whichever holder
// made them. An instance key left marked by an aborted run is replaced.
// Wine's DIF_REMOVE deletes the instance key (and empty keys above it)
// itself, so every step tolerates keys that are already gone.
//
// Writing under Enum needs administrator rights; Wine grants them.
class CRegistryDevice
{
public:
    CRegistryDevice(const std::wstring& strEnumerator, const std::wstring& strDeviceId,
                    const std::wstring& strInstance = L"7&7A7A&0&1");
    ~CRegistryDevice();
    CRegistryDevice(const CRegistryDevice&) = delete;
    CRegistryDevice& operator=(const CRegistryDevice&) = delete;

    // The instance key was created (false when a key of that name exists that
    // this helper did not make, or when the registry refused).
    bool IsDefined() const { return m_bDefined; }
    // The instance key is still there (a removal deletes it).
    bool Exists() const;
    // The instance ID as SetupAPI reports it: enumerator\device id\instance.
    std::wstring InstanceId() const;

    // A REG_SZ-like value with its terminator.
    bool SetString(LPCWSTR pszName, const std::wstring& str, DWORD dwType = REG_SZ);
    // A REG_MULTI_SZ: every string terminated, then the closing empty string.
    bool SetMultiString(LPCWSTR pszName, std::initializer_list<std::wstring> strings);
    // The bytes exactly as given, whatever the type promises. False also when
    // the registry stored anything else.
    bool SetRaw(LPCWSTR pszName, DWORD dwType, const std::string& strBytes);
    bool DeleteValue(LPCWSTR pszName);
    // Leaves the keys in place when the holder goes, as a killed run does.
    void Abandon() { m_bDefined = false; m_bAbandoned = true; }

private:
    bool Define(const std::wstring& strDeviceId, const std::wstring& strInstance);

    std::wstring m_strEnumeratorPath;
    std::wstring m_strDeviceIdPath;
    std::wstring m_strInstancePath;
    std::wstring m_strInstanceId;
    bool m_bDefined = false;
    bool m_bAbandoned = false;
};

// Deletes every test device of the prefix, under each enumerator the tests use:
// the keys that carry the marker, whoever made them (a run that was killed
// leaves its devices behind). Unmarked keys stay, and so do marked ones that
// still hold unmarked subkeys. True when no marked key is left.
bool ClearTestDevices();
// The marked keys under the enumerators the tests use.
size_t CountTestDeviceKeys();

// Gives the device the values of a Rezuv device that Windows bound to the
// generic MTP driver through the MTP compatible ID: the repair removes it.
bool DefineConflictingMtpDevice(CRegistryDevice& device);

// The bytes of a wide text as stored in the registry: with its terminator,
// without it, and a whole multi-string (each string terminated, then the
// closing empty string).
std::string SzBytes(const std::wstring& str);
std::string TextBytes(const std::wstring& str);
std::string MultiSzBytes(std::initializer_list<std::wstring> strings);

// True when HKLM\System\CurrentControlSet\Enum\<strRelative> exists.
bool EnumKeyExists(const std::wstring& strRelative);
