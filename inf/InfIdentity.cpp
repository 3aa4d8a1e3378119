#include "inf/InfIdentity.h"

#include <cstdlib>
#include <cwchar>

#include "platform/UniqueHandle.h"

namespace {

INF_ORIGINAL_NAME_API g_originalNameApi = {};
bool g_bOriginalNameApiFilled = false;

// Room for the [Version] data of an ordinary INF; a larger one gets a heap
// block of the size SetupAPI asks for.
const DWORD c_cbInfInformation = 4096;
const DWORD c_cbInfInformationMax = 1024 * 1024;

void ReadVersionField(HINF hInf, LPCWSTR pszKey, DWORD iField, LPWSTR pszValue)
{
    INFCONTEXT line;
    pszValue[0] = L'\0';
    if (!SetupFindFirstLineW(hInf, L"Version", pszKey, &line) ||
        !SetupGetStringFieldW(&line, iField, pszValue, c_cchIdentityValue, nullptr))
        pszValue[0] = L'\0';
    pszValue[c_cchIdentityValue - 1] = L'\0';
}

bool TextEqualsNoCase(LPCWSTR pszA, LPCWSTR pszB)
{
    return CompareStringOrdinal(pszA, -1, pszB, -1, TRUE) == CSTR_EQUAL;
}

bool QueryOriginalName(PSP_INF_INFORMATION pInformation, LPWSTR pszName, DWORD cchName)
{
    SP_ORIGINAL_FILE_INFO_W original = {};
    original.cbSize = sizeof(original);
    if (!InfOriginalNameApi().pfnSetupQueryInfOriginalFileInformationW(pInformation, 0, nullptr, &original))
        return false;
    original.OriginalInfName[ARRAYSIZE(original.OriginalInfName) - 1] = L'\0';
    const size_t cch = wcslen(original.OriginalInfName);
    if (cch == 0 || cch >= cchName)
        return false;
    wmemcpy(pszName, original.OriginalInfName, cch + 1);
    return true;
}

} // namespace

INF_ORIGINAL_NAME_API& InfOriginalNameApi()
{
    if (!g_bOriginalNameApiFilled) {
        g_originalNameApi.pfnSetupGetInfInformationW = SetupGetInfInformationW;
        g_originalNameApi.pfnSetupQueryInfOriginalFileInformationW = SetupQueryInfOriginalFileInformationW;
        g_bOriginalNameApiFilled = true;
    }
    return g_originalNameApi;
}

void ReadInfVersionIdentity(HINF hInf, INF_IDENTITY* pIdentity)
{
    ReadVersionField(hInf, L"Provider", 1, pIdentity->szProvider);
    ReadVersionField(hInf, L"ClassGuid", 1, pIdentity->szClassGuid);
    ReadVersionField(hInf, L"Class", 1, pIdentity->szClass);
    ReadVersionField(hInf, L"DriverVer", 1, pIdentity->szDriverDate);
    ReadVersionField(hInf, L"DriverVer", 2, pIdentity->szDriverVersion);
}

bool ReadInfOriginalName(HINF hInf, LPWSTR pszName, DWORD cchName)
{
    // The handle itself: a name would make SetupAPI open the file again.
    alignas(8) BYTE abInformation[c_cbInfInformation];
    DWORD cbRequired = 0;
    const INF_ORIGINAL_NAME_API& api = InfOriginalNameApi();
    if (api.pfnSetupGetInfInformationW(hInf, INFINFO_INF_SPEC_IS_HINF,
                                       reinterpret_cast<PSP_INF_INFORMATION>(abInformation), sizeof(abInformation),
                                       &cbRequired))
        return QueryOriginalName(reinterpret_cast<PSP_INF_INFORMATION>(abInformation), pszName, cchName);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || cbRequired == 0 || cbRequired > c_cbInfInformationMax)
        return false;
    CHeapBlock block(malloc(cbRequired));
    PSP_INF_INFORMATION pInformation = static_cast<PSP_INF_INFORMATION>(block.Get());
    return pInformation &&
           api.pfnSetupGetInfInformationW(hInf, INFINFO_INF_SPEC_IS_HINF, pInformation, cbRequired, &cbRequired) &&
           QueryOriginalName(pInformation, pszName, cchName);
}

bool IsExtensionClass(const INF_IDENTITY& identity)
{
    return TextEqualsNoCase(identity.szClass, L"Extension") ||
           TextEqualsNoCase(identity.szClassGuid, L"{e2f84ce7-8efa-411c-aa69-97454ca4cb57}");
}

bool IsSoftwareComponentClass(const INF_IDENTITY& identity)
{
    return TextEqualsNoCase(identity.szClass, L"SoftwareComponent") ||
           TextEqualsNoCase(identity.szClassGuid, L"{5c4c3332-344d-483c-8739-259e934c9cc8}");
}
