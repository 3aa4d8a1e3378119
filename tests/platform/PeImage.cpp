#include "PeImage.h"

#include <algorithm>

namespace {

const BYTE* Base(HMODULE hModule)
{
    return reinterpret_cast<const BYTE*>(hModule);
}

const IMAGE_DATA_DIRECTORY& Directory(HMODULE hModule, int iEntry)
{
    const IMAGE_DOS_HEADER* pDos = reinterpret_cast<const IMAGE_DOS_HEADER*>(hModule);
    const IMAGE_NT_HEADERS64* pNt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(Base(hModule) + pDos->e_lfanew);
    return pNt->OptionalHeader.DataDirectory[iEntry];
}

const IMAGE_IMPORT_DESCRIPTOR* FirstImport(HMODULE hModule)
{
    const IMAGE_DATA_DIRECTORY& dir = Directory(hModule, IMAGE_DIRECTORY_ENTRY_IMPORT);
    if (dir.VirtualAddress == 0)
        return nullptr;
    return reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(Base(hModule) + dir.VirtualAddress);
}

} // namespace

std::vector<std::string> ExportedNames(HMODULE hModule)
{
    std::vector<std::string> names;
    const IMAGE_DATA_DIRECTORY& dir = Directory(hModule, IMAGE_DIRECTORY_ENTRY_EXPORT);
    if (dir.VirtualAddress == 0)
        return names;
    const IMAGE_EXPORT_DIRECTORY* pExports =
        reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(Base(hModule) + dir.VirtualAddress);
    const DWORD* pNames = reinterpret_cast<const DWORD*>(Base(hModule) + pExports->AddressOfNames);
    for (DWORD i = 0; i < pExports->NumberOfNames; ++i)
        names.push_back(reinterpret_cast<const char*>(Base(hModule) + pNames[i]));
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> ImportedDlls(HMODULE hModule)
{
    std::vector<std::string> dlls;
    for (const IMAGE_IMPORT_DESCRIPTOR* p = FirstImport(hModule); p && p->Name; ++p)
        dlls.push_back(reinterpret_cast<const char*>(Base(hModule) + p->Name));
    return dlls;
}
