#include "PeImportTable.h"

#include <windows.h>

#include <cstddef>
#include <cstring>

#include "Handles.h"

namespace {

// No image of ours comes near this; a larger file is not read into memory.
const DWORD c_cbImageMax = 64u << 20;
// Longer DLL names than this are taken as a corrupt table.
const size_t c_cchDllNameMax = 260;
// A table with more DLLs than this is taken as unterminated.
const size_t c_cDescriptorsMax = 1024;

// The file's bytes with bounds-checked reads.
class CImageBytes
{
public:
    bool Load(const std::wstring& strPath)
    {
        CHandle file(CreateFileW(strPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.IsValid())
            return false;
        LARGE_INTEGER liSize;
        if (!GetFileSizeEx(file.Get(), &liSize) || liSize.QuadPart <= 0 || liSize.QuadPart > c_cbImageMax)
            return false;
        m_bytes.resize(static_cast<size_t>(liSize.QuadPart));
        DWORD cbRead = 0;
        return ReadFile(file.Get(), m_bytes.data(), static_cast<DWORD>(m_bytes.size()), &cbRead, nullptr) &&
               cbRead == m_bytes.size();
    }

    template <typename T>
    bool Read(size_t cbOffset, T* pOut) const
    {
        if (cbOffset > m_bytes.size() || m_bytes.size() - cbOffset < sizeof(T))
            return false;
        memcpy(pOut, m_bytes.data() + cbOffset, sizeof(T));
        return true;
    }

    // A NUL-terminated ASCII name at cbOffset, at most c_cchDllNameMax long.
    bool ReadName(size_t cbOffset, std::string* pstr) const
    {
        pstr->clear();
        for (size_t i = cbOffset; i < m_bytes.size() && pstr->size() <= c_cchDllNameMax; ++i) {
            if (m_bytes[i] == 0)
                return !pstr->empty();
            pstr->push_back(static_cast<char>(m_bytes[i]));
        }
        return false;
    }

private:
    std::vector<BYTE> m_bytes;
};

class CSectionMap
{
public:
    bool Load(const CImageBytes& image, size_t cbSections, WORD cSections)
    {
        m_sections.resize(cSections);
        for (WORD i = 0; i < cSections; ++i) {
            if (!image.Read(cbSections + i * sizeof(IMAGE_SECTION_HEADER), &m_sections[i]))
                return false;
        }
        return true;
    }

    // The file offset of an RVA, or false when no section holds it.
    bool FileOffset(DWORD dwRva, size_t* pcbOffset) const
    {
        for (const IMAGE_SECTION_HEADER& section : m_sections) {
            const DWORD cbSpan = section.Misc.VirtualSize > section.SizeOfRawData ? section.Misc.VirtualSize
                                                                                  : section.SizeOfRawData;
            if (dwRva >= section.VirtualAddress && dwRva - section.VirtualAddress < cbSpan) {
                *pcbOffset = static_cast<size_t>(section.PointerToRawData) + (dwRva - section.VirtualAddress);
                return true;
            }
        }
        return false;
    }

private:
    std::vector<IMAGE_SECTION_HEADER> m_sections;
};

// Walks a table of fixed-size descriptors whose name RVA sits at cbNameField
// within each; a descriptor with a zero name ends the table.
bool ReadDescriptorNames(const CImageBytes& image, const CSectionMap& sections, DWORD dwTableRva,
                         size_t cbDescriptor, size_t cbNameField, std::vector<std::string>* pNames)
{
    size_t cbTable;
    if (!sections.FileOffset(dwTableRva, &cbTable))
        return false;
    for (size_t i = 0; i < c_cDescriptorsMax; ++i) {
        DWORD dwNameRva;
        if (!image.Read(cbTable + i * cbDescriptor + cbNameField, &dwNameRva))
            return false;
        if (dwNameRva == 0)
            return true;
        size_t cbName;
        std::string strName;
        if (!sections.FileOffset(dwNameRva, &cbName) || !image.ReadName(cbName, &strName))
            return false;
        pNames->push_back(strName);
    }
    return false;
}

} // namespace

bool ReadPeImports(const std::wstring& strPath, std::vector<std::string>* pNames, std::string* pstrError)
{
    pNames->clear();
    CImageBytes image;
    if (!image.Load(strPath)) {
        *pstrError = "cannot read the file";
        return false;
    }
    IMAGE_DOS_HEADER dos;
    IMAGE_NT_HEADERS64 nt;
    if (!image.Read(0, &dos) || dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew <= 0 ||
        !image.Read(static_cast<size_t>(dos.e_lfanew), &nt) || nt.Signature != IMAGE_NT_SIGNATURE ||
        nt.OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
        *pstrError = "not a PE32+ image";
        return false;
    }

    const size_t cbSections = static_cast<size_t>(dos.e_lfanew) + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                              nt.FileHeader.SizeOfOptionalHeader;
    CSectionMap sections;
    if (!sections.Load(image, cbSections, nt.FileHeader.NumberOfSections)) {
        *pstrError = "truncated section table";
        return false;
    }

    const IMAGE_DATA_DIRECTORY& imports = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (nt.OptionalHeader.NumberOfRvaAndSizes > IMAGE_DIRECTORY_ENTRY_IMPORT && imports.VirtualAddress != 0 &&
        !ReadDescriptorNames(image, sections, imports.VirtualAddress, sizeof(IMAGE_IMPORT_DESCRIPTOR),
                             offsetof(IMAGE_IMPORT_DESCRIPTOR, Name), pNames)) {
        *pstrError = "damaged import directory";
        return false;
    }
    const IMAGE_DATA_DIRECTORY& delayed = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT];
    if (nt.OptionalHeader.NumberOfRvaAndSizes > IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT && delayed.VirtualAddress != 0 &&
        !ReadDescriptorNames(image, sections, delayed.VirtualAddress, sizeof(IMAGE_DELAYLOAD_DESCRIPTOR),
                             offsetof(IMAGE_DELAYLOAD_DESCRIPTOR, DllNameRVA), pNames)) {
        *pstrError = "damaged delay-load directory";
        return false;
    }
    return true;
}
