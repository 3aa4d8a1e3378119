#include "platform/FolderTrust.h"

#include <sddl.h>

#include "platform/UniqueHandle.h"

namespace {

struct CLocalMemoryTraits
{
    static PSECURITY_DESCRIPTOR Invalid() { return nullptr; }
    static void Close(PSECURITY_DESCRIPTOR p) { LocalFree(p); }
};
using CSecurityDescriptor = CUniqueHandle<PSECURITY_DESCRIPTOR, CLocalMemoryTraits>;

// The rights that let a holder plant or change what is read from the folder:
// creating files (FILE_ADD_FILE, on a file FILE_WRITE_DATA) or folders
// (FILE_ADD_SUBDIRECTORY, on a file FILE_APPEND_DATA), writing, and taking
// the descriptor over.
const ACCESS_MASK c_maskPlant = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE |
                                GENERIC_ALL;
// NT SERVICE\TrustedInstaller, which owns the system's own folders.
const WCHAR c_szTrustedInstaller[] = L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

bool IsTrustedInstaller(PSID pSid)
{
    PSID pInstaller = nullptr;
    if (!ConvertStringSidToSidW(c_szTrustedInstaller, &pInstaller))
        return false;
    const bool bEqual = EqualSid(pSid, pInstaller) != FALSE;
    LocalFree(pInstaller);
    return bEqual;
}

// Administrators, SYSTEM and TrustedInstaller; CREATOR OWNER and OWNER
// RIGHTS stand for the owner of what is created, who needs the right to
// create in the first place.
bool IsTrustedSid(PSID pSid)
{
    return IsWellKnownSid(pSid, WinBuiltinAdministratorsSid) || IsWellKnownSid(pSid, WinLocalSystemSid) ||
           IsWellKnownSid(pSid, WinCreatorOwnerSid) || IsWellKnownSid(pSid, WinCreatorOwnerRightsSid) ||
           IsTrustedInstaller(pSid);
}

// An entry that allows somebody else to plant or change files. An entry
// only for the folders below (inherit-only, not to files) does not count.
bool AllowsOthersToPlant(const ACE_HEADER* pHeader)
{
    if (pHeader->AceType != ACCESS_ALLOWED_ACE_TYPE)
        return false;
    if ((pHeader->AceFlags & INHERIT_ONLY_ACE) && !(pHeader->AceFlags & OBJECT_INHERIT_ACE))
        return false;
    const ACCESS_ALLOWED_ACE* pAce = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(pHeader);
    return (pAce->Mask & c_maskPlant) != 0 &&
           !IsTrustedSid(const_cast<PSID>(static_cast<const void*>(&pAce->SidStart)));
}

bool SystemIsElevated()
{
    return IsProcessElevated();
}

} // namespace

FOLDER_TRUST_API g_folderTrustApi = { SystemIsElevated, GetNamedSecurityInfoW };

bool IsProcessElevated()
{
    HANDLE hToken = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &hToken))
        return false;
    TOKEN_ELEVATION elevation = {};
    DWORD cb = 0;
    const BOOL bOk = GetTokenInformation(hToken, TokenElevation, &elevation, sizeof(elevation), &cb);
    CloseHandle(hToken);
    return bOk && elevation.TokenIsElevated != 0;
}

EFolderTrust CheckFolderTrust(LPCWSTR pszFolder, DWORD* pdwError)
{
    *pdwError = ERROR_SUCCESS;
    PSID pOwner = nullptr;
    PACL pDacl = nullptr;
    PSECURITY_DESCRIPTOR pDescriptor = nullptr;
    const DWORD dwError = g_folderTrustApi.pfnGetNamedSecurityInfoW(
        pszFolder, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &pOwner, nullptr, &pDacl,
        nullptr, &pDescriptor);
    const CSecurityDescriptor descriptor(pDescriptor);
    if (dwError != ERROR_SUCCESS) {
        *pdwError = dwError;
        return folderUnknown;
    }
    // The owner may always rewrite the descriptor; no list at all lets
    // everybody in.
    if (!pOwner || !IsTrustedSid(pOwner) || !pDacl)
        return folderWritable;
    for (DWORD i = 0; i < pDacl->AceCount; ++i) {
        LPVOID pvAce = nullptr;
        if (GetAce(pDacl, i, &pvAce) && AllowsOthersToPlant(static_cast<const ACE_HEADER*>(pvAce)))
            return folderWritable;
    }
    return folderTrusted;
}

bool IsRelativeToCurrentFolder(LPCWSTR pszPath)
{
    if (!pszPath || pszPath[0] == L'\0')
        return false;
    if (pszPath[0] == L'\\' || pszPath[0] == L'/')
        return false;
    // "C:\..." is a full path; "C:name" is relative to the drive's current
    // folder, which is the current folder when it is on that drive.
    return !(pszPath[1] == L':' && (pszPath[2] == L'\\' || pszPath[2] == L'/'));
}
