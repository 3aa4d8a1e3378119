#include "platform/DllSearch.h"

#include <climits>
#include <cwchar>

namespace {

typedef BOOL(WINAPI* PFN_SET_DEFAULT_DLL_DIRECTORIES)(DWORD dwDirectoryFlags);

// Appends pszFile to the folder that pszPath holds (cchFolder units, no
// trailing separator), behind one backslash.
bool AppendFileName(LPWSTR pszPath, size_t cchFolder, size_t cchPath, LPCWSTR pszFile)
{
    const size_t cchFile = wcslen(pszFile);
    if (cchFolder + 1 + cchFile >= cchPath)
        return false;
    pszPath[cchFolder] = L'\\';
    wmemcpy(pszPath + cchFolder + 1, pszFile, cchFile + 1);
    return true;
}

} // namespace

void RestrictDllSearch()
{
    // Resolved at run time: Windows 7 has it only with KB2533623.
    PFN_SET_DEFAULT_DLL_DIRECTORIES pfn =
        ResolveProc<PFN_SET_DEFAULT_DLL_DIRECTORIES>(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
    if (pfn && pfn(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return;
    SetDllDirectoryW(L"");
}

HMODULE LoadLibraryByFullPath(LPCWSTR pszPath)
{
    HMODULE hModule = LoadLibraryExW(pszPath, nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Without the search flags (an unpatched Windows 7 answers 87), the
    // altered search path still resolves dependencies from the DLL's folder.
    if (!hModule && GetLastError() == ERROR_INVALID_PARAMETER)
        hModule = LoadLibraryExW(pszPath, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    return hModule;
}

bool BuildDllPath(EDllFolder folder, LPCWSTR pszFile, LPWSTR pszPath, size_t cchPath)
{
    if (cchPath == 0 || cchPath > MAXDWORD)
        return false;
    pszPath[0] = L'\0';
    size_t cchFolder = 0;
    if (folder == dllFolderExe) {
        const DWORD cch = GetModuleFileNameW(nullptr, pszPath, static_cast<DWORD>(cchPath));
        // A name cut short (cch == cchPath) is not a path to build on.
        if (cch == 0 || cch >= cchPath)
            return false;
        LPWSTR pszSlash = wcsrchr(pszPath, L'\\');
        if (!pszSlash)
            return false;
        cchFolder = static_cast<size_t>(pszSlash - pszPath);
    } else {
        const UINT cch = GetSystemDirectoryW(pszPath, static_cast<UINT>(cchPath > UINT_MAX ? UINT_MAX : cchPath));
        if (cch == 0 || cch >= cchPath)
            return false;
        cchFolder = cch;
        if (cchFolder > 0 && pszPath[cchFolder - 1] == L'\\')
            --cchFolder;
    }
    return AppendFileName(pszPath, cchFolder, cchPath, pszFile);
}
