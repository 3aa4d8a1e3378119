#pragma once

#include <windows.h>

// Restricts where this process looks for DLLs that it or its libraries load
// by name to System32: an elevated program must never pick up a DLL planted in
// the current folder or on PATH. Uses SetDefaultDllDirectories where the
// system has it, and otherwise at least drops the current folder.
void RestrictDllSearch();

// Loads the DLL at the full path pszPath; the DLL's own dependencies are
// searched in its folder and System32 only. Null when it cannot be loaded.
HMODULE LoadLibraryByFullPath(LPCWSTR pszPath);

// The folders an optional DLL may come from.
enum EDllFolder
{
    dllFolderExe,
    dllFolderSystem,
};

// Writes "<folder>\<pszFile>" into pszPath (cchPath units, terminated).
// False when the folder cannot be found or the result does not fit.
bool BuildDllPath(EDllFolder folder, LPCWSTR pszFile, LPWSTR pszPath, size_t cchPath);

// GetProcAddress with the function's real type; null when it is not exported.
// The detour through void* tells the compiler that the cast is meant.
template <typename TPfn>
TPfn ResolveProc(HMODULE hModule, const char* pszName)
{
    return hModule ? reinterpret_cast<TPfn>(reinterpret_cast<void*>(GetProcAddress(hModule, pszName))) : nullptr;
}
