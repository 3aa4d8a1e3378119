#pragma once

#include <windows.h>

// SetProcessMitigationPolicy, resolved at run time (Windows 8 and later); null
// where missing. Tests replace it to see what is asked.
struct PROCESS_POLICY_API
{
    BOOL(WINAPI* pfnSetProcessMitigationPolicy)(int nPolicy, PVOID pvBuffer, SIZE_T cbBuffer);
};

extern PROCESS_POLICY_API g_processPolicyApi;

// Has the system refuse, for this process, every junction that a
// non-administrator made (ProcessRedirectionTrustPolicy, Windows 11 22H2 and
// later): a user's junction in a folder above the log or a package then
// leads nowhere. True when the system took it; elsewhere nothing changes.
bool EnforceRedirectionTrust();
