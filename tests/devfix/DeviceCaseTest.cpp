// One Rezuv MTP device at a time, defined in the registry and seen through
// Wine's real SetupAPI: each case changes one property of a device that the
// repair removes, and states whether the device is still a conflict.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "DeviceSet.h"
#include "DeviceTest.h"
#include "UsbDeviceRegistry.h"
#include "devfix/MtpConflict.h"

namespace {

const wchar_t g_szMtpId[] = L"USB\\MS_COMP_MTP";
const size_t g_cbBuffer = 2048;

// One change to the conflicting device: a value stored as given, or removed.
struct SChange
{
    LPCWSTR pszName;
    DWORD dwType;
    std::string strBytes;
    bool bRemove;
};

SChange Sz(LPCWSTR pszName, const std::wstring& str, DWORD dwType = REG_SZ)
{
    return { pszName, dwType, SzBytes(str), false };
}
SChange Multi(LPCWSTR pszName, std::initializer_list<std::wstring> strings)
{
    return { pszName, REG_MULTI_SZ, MultiSzBytes(strings), false };
}
SChange Raw(LPCWSTR pszName, DWORD dwType, const std::string& strBytes)
{
    return { pszName, dwType, strBytes, false };
}
SChange Absent(LPCWSTR pszName)
{
    return { pszName, REG_NONE, std::string(), true };
}

std::string Padded(const std::string& strBytes, size_t cb, char ch = 'x')
{
    std::string str = strBytes;
    while (str.size() + 1 < cb) {
        str.push_back(ch);
        str.push_back('\0');
    }
    str.resize(cb, '\0');
    return str;
}

// Hardware-style IDs enough to fill cb bytes of a multi-string, then the MTP ID.
std::string ListEndingWithMtpId(size_t cb)
{
    const size_t cbTail = (wcslen(g_szMtpId) + 2) * sizeof(wchar_t);
    const size_t cchFiller = (cb - cbTail) / sizeof(wchar_t) - 1;
    return SzBytes(std::wstring(cchFiller, L'A')) + MultiSzBytes({ g_szMtpId });
}

// One hardware-style ID whose multi-string takes exactly cb bytes.
std::string ListOfSize(size_t cb)
{
    return MultiSzBytes({ std::wstring(cb / sizeof(wchar_t) - 2, L'A') });
}

struct SDeviceCase
{
    const char* pszName;
    std::vector<SChange> changes;
    bool bConflict;
};

const SDeviceCase g_cases[] = {
    // What makes a conflict.
    { "MtpIdFirstAmongCompatibleIds", {}, true },
    { "MtpIdInTheMiddleOfCompatibleIds", { Multi(L"CompatibleIDs", { L"USB\\Class_06&SubClass_01&Prot_01", g_szMtpId, L"USB\\Class_06" }) }, true },
    { "MtpIdLastAmongCompatibleIds", { Multi(L"CompatibleIDs", { L"USB\\Class_06&SubClass_01&Prot_01", L"USB\\Class_06", g_szMtpId }) }, true },
    { "MtpIdTheOnlyCompatibleId", { Multi(L"CompatibleIDs", { g_szMtpId }) }, true },
    { "NoHardwareIds", { Absent(L"HardwareID") }, true },
    { "HardwareIdsStoredAsRegSz", { Sz(L"HardwareID", g_szMtpId) }, true },
    { "MtpIdInHardwareIdsAfterTheirListEnds", { Raw(L"HardwareID", REG_MULTI_SZ, MultiSzBytes({ L"USB\\VID_7A7A" }) + MultiSzBytes({ g_szMtpId })) }, true },
    { "CompatibleIdsFillingTheBufferExactly", { Raw(L"CompatibleIDs", REG_MULTI_SZ, ListEndingWithMtpId(g_cbBuffer)) }, true },

    // Manufacturer.
    { "ManufacturerInCapitals", { Sz(L"Mfg", L"REZUV") }, false },
    { "ManufacturerInLowerCase", { Sz(L"Mfg", L"rezuv") }, false },
    { "ManufacturerWithCorporation", { Sz(L"Mfg", L"Rezuv Corporation") }, false },
    { "ManufacturerCutShort", { Sz(L"Mfg", L"Rezu") }, false },
    { "ManufacturerEmpty", { Sz(L"Mfg", L"") }, false },
    { "NoManufacturer", { Absent(L"Mfg") }, false },
    { "ManufacturerAsRegExpandSz", { Sz(L"Mfg", L"Rezuv", REG_EXPAND_SZ) }, false },
    { "ManufacturerAsRegMultiSz", { Multi(L"Mfg", { L"Rezuv" }) }, false },

    // Service.
    { "ServiceInLowerCase", { Sz(L"Service", L"wudfrd") }, false },
    { "ServiceOfAnotherDriver", { Sz(L"Service", L"WinUSB") }, false },
    { "NoService", { Absent(L"Service") }, false },
    { "ServiceAsRegExpandSz", { Sz(L"Service", L"WUDFRd", REG_EXPAND_SZ) }, false },

    // The MTP ID among the device's own hardware IDs protects it.
    { "MtpIdFirstAmongHardwareIds", { Multi(L"HardwareID", { g_szMtpId, L"USB\\VID_7A7A&PID_4EE1" }) }, false },
    { "MtpIdLastAmongHardwareIds", { Multi(L"HardwareID", { L"USB\\VID_7A7A&PID_4EE1", g_szMtpId }) }, false },
    { "MtpIdInHardwareIdsAndNoCompatibleIds", { Multi(L"HardwareID", { g_szMtpId }), Absent(L"CompatibleIDs") }, false },

    // Hardware IDs that do not fit the read could name the MTP ID: the device
    // is left alone. Up to the buffer's size they are read and judged.
    { "HardwareIdsTooLongToRead", { Raw(L"HardwareID", REG_MULTI_SZ, MultiSzBytes({ g_szMtpId }) + ListEndingWithMtpId(g_cbBuffer)) }, false },
    { "HardwareIdsTooLongToReadWithoutTheMtpId", { Raw(L"HardwareID", REG_MULTI_SZ, ListOfSize(g_cbBuffer + 2)) }, false },
    { "HardwareIdsFillingTheBufferExactly", { Raw(L"HardwareID", REG_MULTI_SZ, ListOfSize(g_cbBuffer)) }, true },
    { "HardwareIdsTooLongAsRegSz", { Sz(L"HardwareID", std::wstring(g_cbBuffer, L'A')) }, false },

    // Compatible IDs.
    { "NoCompatibleIds", { Absent(L"CompatibleIDs") }, false },
    { "CompatibleIdsAsRegSz", { Sz(L"CompatibleIDs", g_szMtpId) }, false },
    { "CompatibleIdsEmptyList", { Raw(L"CompatibleIDs", REG_MULTI_SZ, SzBytes(L"")) }, false },
    { "CompatibleIdsNoBytes", { Raw(L"CompatibleIDs", REG_MULTI_SZ, std::string()) }, false },
    { "MtpIdAfterTheEmptyStringThatEndsTheList", { Raw(L"CompatibleIDs", REG_MULTI_SZ, MultiSzBytes({ L"USB\\Class_06" }) + MultiSzBytes({ g_szMtpId })) }, false },
    { "MtpIdInLowerCase", { Multi(L"CompatibleIDs", { L"usb\\ms_comp_mtp" }) }, false },
    { "MtpIdWithSuffix", { Multi(L"CompatibleIDs", { L"USB\\MS_COMP_MTPX" }) }, false },
    { "MtpIdWithPrefix", { Multi(L"CompatibleIDs", { L"XUSB\\MS_COMP_MTP" }) }, false },
    { "MtpIdCutShort", { Multi(L"CompatibleIDs", { L"USB\\MS_COMP_MT" }) }, false },

    // Malformed data: read no further than the bytes returned. A text that
    // fills its data without a terminator counts as the text it holds.
    { "ManufacturerWithoutTerminator", { Raw(L"Mfg", REG_SZ, TextBytes(L"Rezuv")) }, true },
    { "ManufacturerWithOddTrailingByte", { Raw(L"Mfg", REG_SZ, TextBytes(L"Rezuv") + "!") }, true },
    { "ManufacturerPaddedAfterItsTerminator", { Raw(L"Mfg", REG_SZ, Padded(SzBytes(L"Rezuv"), g_cbBuffer)) }, true },
    { "ManufacturerWithHalfItsLastUnit", { Raw(L"Mfg", REG_SZ, TextBytes(L"Rezuv").substr(0, 9)) }, false },
    { "ManufacturerUnterminatedFillingTheBuffer", { Raw(L"Mfg", REG_SZ, Padded(TextBytes(L"Rezuv"), g_cbBuffer)) }, false },
    { "ManufacturerLongerThanTheBuffer", { Raw(L"Mfg", REG_SZ, Padded(SzBytes(L"Rezuv"), g_cbBuffer + 2)) }, false },
    { "ServiceWithoutTerminator", { Raw(L"Service", REG_SZ, TextBytes(L"WUDFRd")) }, true },
    { "ServiceUnterminatedFillingTheBuffer", { Raw(L"Service", REG_SZ, Padded(TextBytes(L"WUDFRd"), g_cbBuffer)) }, false },
    { "MtpIdAsUnterminatedHardwareId", { Raw(L"HardwareID", REG_MULTI_SZ, TextBytes(g_szMtpId)) }, false },
    { "CompatibleIdsWithoutClosingEmptyString", { Raw(L"CompatibleIDs", REG_MULTI_SZ, SzBytes(L"USB\\Class_06") + SzBytes(g_szMtpId)) }, true },
    { "CompatibleIdsWithoutAnyTerminator", { Raw(L"CompatibleIDs", REG_MULTI_SZ, TextBytes(g_szMtpId)) }, true },
    { "CompatibleIdsWithoutTerminatorsFillingTheBuffer", { Raw(L"CompatibleIDs", REG_MULTI_SZ, Padded(TextBytes(L"USB\\Class_06"), g_cbBuffer, 'A')) }, false },
    { "CompatibleIdsLongerThanTheBuffer", { Raw(L"CompatibleIDs", REG_MULTI_SZ, MultiSzBytes({ g_szMtpId }) + ListEndingWithMtpId(g_cbBuffer)) }, false },
    // The hardware IDs, read first, leave the MTP ID right behind the short
    // compatible IDs: only bytes the compatible-IDs read returned may count.
    { "CompatibleIdsFollowedByLeftoverBytes", { Multi(L"HardwareID", { L"XXUSB\\MS_COMP_MTP" }), Raw(L"CompatibleIDs", REG_MULTI_SZ, SzBytes(L"B")) }, false },
};

void PrintTo(const SDeviceCase& deviceCase, std::ostream* pStream)
{
    *pStream << deviceCase.pszName;
}

int g_nNextProductId = 0x0100;

class CDeviceCase : public CDeviceTest, public ::testing::WithParamInterface<SDeviceCase>
{
protected:
    // A fresh device id for every test, so that no test sees another's device.
    void SetUp() override
    {
        CDeviceTest::SetUp();
        if (HasFatalFailure())
            return;
        wchar_t szDeviceId[32];
        swprintf(szDeviceId, 32, L"VID_7A7A&PID_%04X", g_nNextProductId++);
        m_pDevice.reset(new CRegistryDevice(L"USB", szDeviceId));
        ASSERT_TRUE(m_pDevice->IsDefined());
        ASSERT_TRUE(DefineConflictingMtpDevice(*m_pDevice));
        for (const SChange& change : GetParam().changes) {
            if (change.bRemove)
                ASSERT_TRUE(m_pDevice->DeleteValue(change.pszName));
            else
                ASSERT_TRUE(m_pDevice->SetRaw(change.pszName, change.dwType, change.strBytes));
        }
    }

    std::unique_ptr<CRegistryDevice> m_pDevice;
};

TEST_P(CDeviceCase, IsJudgedAConflictOrNot)
{
    CUsbDeviceSet devices;
    SP_DEVINFO_DATA devInfoData;
    ASSERT_TRUE(devices.Find(m_pDevice->InstanceId(), &devInfoData)) << "Wine does not list the test device";
    EXPECT_EQ(IsConflictingMtpDevice(devices.Get(), &devInfoData), GetParam().bConflict);
    EXPECT_TRUE(m_pDevice->Exists()) << "deciding must not remove";
}

TEST_P(CDeviceCase, IsRemovedByTheRepairOnlyWhenAConflict)
{
    ASSERT_TRUE(CUsbDeviceSet().Contains(m_pDevice->InstanceId())) << "Wine does not list the test device";
    FixMtpDriverConflict();
    EXPECT_EQ(m_pDevice->Exists(), !GetParam().bConflict);
}

std::string CaseName(const ::testing::TestParamInfo<SDeviceCase>& info)
{
    return info.param.pszName;
}

INSTANTIATE_TEST_SUITE_P(Device, CDeviceCase, ::testing::ValuesIn(g_cases), CaseName);

} // namespace
