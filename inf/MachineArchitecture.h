#pragma once

#include <windows.h>

// The processor architecture whose INF sections a package is read for.
enum EMachineArchitecture
{
    machineAmd64,
    machineArm64,
};

// IsWow64Process2 (kernel32, Windows 10 1709 and later).
typedef BOOL(WINAPI* PFN_IS_WOW64_PROCESS2)(HANDLE hProcess, USHORT* pusProcessMachine, USHORT* pusNativeMachine);

// The call that tells the machine's own architecture; filled from kernel32 on
// first use (null where it lacks it). A test may replace it to play another
// machine.
struct MACHINE_ARCHITECTURE_API
{
    PFN_IS_WOW64_PROCESS2 pfnIsWow64Process2;
};

MACHINE_ARCHITECTURE_API& MachineArchitectureApi();

// The architecture this program was built for.
EMachineArchitecture BuildArchitecture();

// The machine's own architecture: the native machine that IsWow64Process2
// reports where the system has it (an x64 build emulated on ARM64 Windows
// learns ARM64 here), else the build's own. Every INF decision takes its
// architecture from here.
EMachineArchitecture MachineArchitecture();

// True when this build runs emulated on a machine of another architecture.
bool RunsEmulated();

// The architecture as INF decorations spell it: "amd64" or "arm64".
LPCWSTR ArchitectureDecoration(EMachineArchitecture architecture);

// The architecture as user texts name it: "x64" or "ARM64".
LPCWSTR ArchitectureName(EMachineArchitecture architecture);
