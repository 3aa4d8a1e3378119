#include "inf/MachineArchitecture.h"

#include "platform/DllSearch.h"

namespace {

// IMAGE_FILE_MACHINE_ARM64 (0xAA64) and IMAGE_FILE_MACHINE_AMD64 (0x8664).
const USHORT c_usMachineArm64 = 0xAA64;
const USHORT c_usMachineAmd64 = 0x8664;

MACHINE_ARCHITECTURE_API g_machineArchitectureApi = {};
bool g_bMachineArchitectureApiFilled = false;

} // namespace

MACHINE_ARCHITECTURE_API& MachineArchitectureApi()
{
    if (!g_bMachineArchitectureApiFilled) {
        g_machineArchitectureApi.pfnIsWow64Process2 =
            ResolveProc<PFN_IS_WOW64_PROCESS2>(GetModuleHandleW(L"kernel32.dll"), "IsWow64Process2");
        g_bMachineArchitectureApiFilled = true;
    }
    return g_machineArchitectureApi;
}

EMachineArchitecture BuildArchitecture()
{
#if defined(_M_ARM64) || defined(__aarch64__)
    return machineArm64;
#else
    return machineAmd64;
#endif
}

EMachineArchitecture MachineArchitecture()
{
    const PFN_IS_WOW64_PROCESS2 pfn = MachineArchitectureApi().pfnIsWow64Process2;
    USHORT usProcess = 0;
    USHORT usNative = 0;
    if (pfn && pfn(GetCurrentProcess(), &usProcess, &usNative)) {
        if (usNative == c_usMachineArm64)
            return machineArm64;
        if (usNative == c_usMachineAmd64)
            return machineAmd64;
    }
    return BuildArchitecture();
}

bool RunsEmulated()
{
    return MachineArchitecture() != BuildArchitecture();
}

LPCWSTR ArchitectureDecoration(EMachineArchitecture architecture)
{
    return architecture == machineArm64 ? L"arm64" : L"amd64";
}

LPCWSTR ArchitectureName(EMachineArchitecture architecture)
{
    return architecture == machineArm64 ? L"ARM64" : L"x64";
}
