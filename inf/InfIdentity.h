#pragma once

#include <windows.h>
#include <setupapi.h>

// [Version] values are short; a longer one is read as far as it fits.
const DWORD c_cchIdentityValue = 256;

// What tells the versions of one driver package apart from other packages:
// the INF's original file name (the name it had before staging), its
// Provider and its ClassGuid; and what orders the versions: the two fields
// of DriverVer, as written. Every text is empty when it cannot be read.
struct INF_IDENTITY
{
    WCHAR szOriginalName[MAX_PATH];
    WCHAR szProvider[c_cchIdentityValue];
    WCHAR szClassGuid[c_cchIdentityValue];
    WCHAR szClass[c_cchIdentityValue];
    WCHAR szDriverDate[c_cchIdentityValue];
    WCHAR szDriverVersion[c_cchIdentityValue];
};

// The SetupAPI calls of the original-name lookup. Windows answers from the
// staged copy's PNF; a test may replace the entries to answer as Windows
// does where its platform cannot.
struct INF_ORIGINAL_NAME_API
{
    BOOL(WINAPI* pfnSetupGetInfInformationW)(LPCVOID pvInfSpec, DWORD dwSearchControl,
                                              PSP_INF_INFORMATION pReturnBuffer, DWORD cbReturnBuffer,
                                              PDWORD pcbRequired);
    BOOL(WINAPI* pfnSetupQueryInfOriginalFileInformationW)(PSP_INF_INFORMATION pInfInformation, UINT uiInfIndex,
                                                            PSP_ALTPLATFORM_INFO pAlternatePlatform,
                                                            PSP_ORIGINAL_FILE_INFO_W pOriginalFileInfo);
};

INF_ORIGINAL_NAME_API& InfOriginalNameApi();

// Provider, ClassGuid, Class and DriverVer of the open INF, with their
// %strings% resolved.
void ReadInfVersionIdentity(HINF hInf, INF_IDENTITY* pIdentity);

// The original file name of the open INF: for a staged copy the name of the
// INF it was staged from. False when SetupAPI cannot tell.
bool ReadInfOriginalName(HINF hInf, LPWSTR pszName, DWORD cchName);

// The Extension and SoftwareComponent classes: their packages attach to
// devices through other packages, never through a device's own driver key.
bool IsExtensionClass(const INF_IDENTITY& identity);
bool IsSoftwareComponentClass(const INF_IDENTITY& identity);
