#include "platform/RedirectionTrust.h"

#include "platform/DllSearch.h"

namespace {

// PROCESS_MITIGATION_POLICY's ProcessRedirectionTrustPolicy, and the
// EnforceRedirectionTrust bit of its flags; newer than the headers here.
const int c_nRedirectionTrustPolicy = 16;
const DWORD c_dwEnforceRedirectionTrust = 0x1;

PROCESS_POLICY_API SystemPolicyApi()
{
    PROCESS_POLICY_API api = {};
    api.pfnSetProcessMitigationPolicy = ResolveProc<decltype(api.pfnSetProcessMitigationPolicy)>(
        GetModuleHandleW(L"kernel32.dll"), "SetProcessMitigationPolicy");
    return api;
}

} // namespace

PROCESS_POLICY_API g_processPolicyApi = SystemPolicyApi();

bool EnforceRedirectionTrust()
{
    if (!g_processPolicyApi.pfnSetProcessMitigationPolicy)
        return false;
    // Systems before the policy existed refuse it (ERROR_INVALID_PARAMETER).
    DWORD dwFlags = c_dwEnforceRedirectionTrust;
    return g_processPolicyApi.pfnSetProcessMitigationPolicy(c_nRedirectionTrustPolicy, &dwFlags, sizeof(dwFlags)) !=
           FALSE;
}
