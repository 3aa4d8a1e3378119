#pragma once

#include <windows.h>
#include <aclapi.h>

// The calls the check below makes, as a table: Wine gives every folder the
// same descriptor and every process the same token, so tests put in others.
struct FOLDER_TRUST_API
{
    // Whether this process runs elevated (or as SYSTEM).
    bool (*pfnIsElevated)();
    DWORD(WINAPI* pfnGetNamedSecurityInfoW)(LPCWSTR pszName, SE_OBJECT_TYPE type, SECURITY_INFORMATION info,
                                            PSID* ppOwner, PSID* ppGroup, PACL* ppDacl, PACL* ppSacl,
                                            PSECURITY_DESCRIPTOR* ppDescriptor);
};

extern FOLDER_TRUST_API g_folderTrustApi;

bool IsProcessElevated();

// What a folder's descriptor lets others than administrators, SYSTEM and
// TrustedInstaller do.
enum EFolderTrust
{
    // Only they may create files in it or change the files it holds.
    folderTrusted = 0,
    // Somebody else may: its owner, or an entry that allows creating files
    // or folders, writing, or changing the descriptor, on the folder itself
    // or (inherited) on its files. Entries that deny are not weighed.
    folderWritable = 1,
    // The descriptor cannot be read.
    folderUnknown = 2,
};

// *pdwError: the reason for folderUnknown, else 0.
EFolderTrust CheckFolderTrust(LPCWSTR pszFolder, DWORD* pdwError);

// True when pszPath is resolved against the current folder: neither a
// drive's root path ("C:\...") nor one that starts with a backslash (a UNC
// path, a \\?\ one, or the current drive's root).
bool IsRelativeToCurrentFolder(LPCWSTR pszPath);
