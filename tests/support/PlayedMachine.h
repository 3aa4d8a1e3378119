#pragma once

// A native machine played through the injected IsWow64Process2, since nothing
// here runs on an ARM64 machine.
#include <windows.h>

#include "inf/MachineArchitecture.h"

// The machine the played call reports; 0 makes the call fail.
inline USHORT g_usPlayedNative = 0;

inline BOOL WINAPI PlayedIsWow64Process2(HANDLE, USHORT* pusProcess, USHORT* pusNative)
{
    if (!g_usPlayedNative) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    // An emulated process reports no WOW64 machine of its own.
    *pusProcess = 0;
    *pusNative = g_usPlayedNative;
    return TRUE;
}

// Plays a machine for the life of the object, then restores the real call.
class CPlayedMachine
{
public:
    explicit CPlayedMachine(USHORT usNative) : m_pfnReal(MachineArchitectureApi().pfnIsWow64Process2)
    {
        g_usPlayedNative = usNative;
        MachineArchitectureApi().pfnIsWow64Process2 = &PlayedIsWow64Process2;
    }
    ~CPlayedMachine() { MachineArchitectureApi().pfnIsWow64Process2 = m_pfnReal; }
    CPlayedMachine(const CPlayedMachine&) = delete;
    CPlayedMachine& operator=(const CPlayedMachine&) = delete;

private:
    PFN_IS_WOW64_PROCESS2 m_pfnReal;
};
