#pragma once

#include <windows.h>

#include "inf/MachineArchitecture.h"

// The Windows a models section is chosen for.
struct OS_TARGET
{
    DWORD dwMajor;
    DWORD dwMinor;
    DWORD dwBuild;
    DWORD dwProductType; // VER_NT_WORKSTATION, VER_NT_DOMAIN_CONTROLLER, VER_NT_SERVER
    DWORD dwSuiteMask;
};

// This machine's Windows, as the kernel reports it (not as a compatibility
// shim would).
OS_TARGET CurrentOsTarget();

// Picks the decoration of a Manufacturer line that Windows would use on a
// machine of the given architecture running os, following the documented
// rules: the decoration is NT<architecture>[.major[.minor[.product type
// [.suite mask[.build]]]]], the architecture must be the machine's (amd64 or
// arm64: a 64-bit Windows ignores an undecorated or architecture-less models
// section), every given field must be met by os, and among the matches the
// highest version wins, then the most specific. Returns the index into
// ppszDecorations, or -1 when none applies.
int ChooseModelsDecoration(const LPCWSTR* ppszDecorations, int cDecorations, const OS_TARGET& os,
                           EMachineArchitecture architecture = MachineArchitecture());
