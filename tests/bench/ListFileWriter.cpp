#include "ListFileWriter.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "Handles.h"

namespace {

const char c_szHeaderLine[] = ";inflist\r\n";
const size_t c_cbPathMin = 40;
const size_t c_cbPathMax = 80;
const size_t c_cbWriteChunk = 1 << 20;

const char* const c_rgpszRoots[] = {
    "C:\\Drivers",
    "D:\\Deploy\\Drivers",
    "C:\\Program Files\\Contoso\\DriverStore",
    "C:\\Windows\\Temp\\Setup",
    "\\\\fileserver\\drivers$\\current",
};
const char* const c_rgpszVendors[] = {
    "Contoso", "Fabrikam", "Northwind", "Litware", "Adatum",
    "Tailspin", "Woodgrove", "Proseware", "Wingtip", "Lucerne",
};
// One name carries an e acute (0xE9 in code page 1252), as localized folder
// names do.
const char* const c_rgpszClasses[] = {
    "Audio", "Network", "Storage", "USB", "Display", "Bluetooth",
    "Camera", "Chipset", "Printers", "P\xE9riph\xE9riques", "Sensors", "Input",
};
const char* const c_rgpszFiles[] = {
    "netadapter", "usbhub", "hdaudio", "storport", "btfilter",
    "camera", "chipset", "printer", "hidclass", "sensor",
};
const char* const c_rgpszPlatforms[] = { "", "\\x64", "\\Win10", "\\amd64\\signed" };

template <size_t N>
const char* Pick(const char* const (&rgpsz)[N], UINT64 u)
{
    return rgpsz[u % N];
}

// xorshift64*: the same list on every run and every machine.
class CPathGenerator
{
public:
    // Writes one path into pchOut (at least c_cbPathMax + 1 bytes) and returns
    // its length.
    size_t Next(char* pchOut)
    {
        for (;;) {
            int cch = snprintf(pchOut, c_cbPathMax + 1, "%s\\%s\\%s\\%u.%u.%u%s\\%s%u.inf",
                               Pick(c_rgpszRoots, Random()), Pick(c_rgpszVendors, Random()),
                               Pick(c_rgpszClasses, Random()), static_cast<unsigned>(Random() % 12),
                               static_cast<unsigned>(Random() % 40), static_cast<unsigned>(Random() % 3000),
                               Pick(c_rgpszPlatforms, Random()), Pick(c_rgpszFiles, Random()),
                               static_cast<unsigned>(Random() % 10000));
            if (cch >= static_cast<int>(c_cbPathMin) && cch <= static_cast<int>(c_cbPathMax))
                return static_cast<size_t>(cch);
        }
    }

private:
    UINT64 Random()
    {
        m_uState ^= m_uState >> 12;
        m_uState ^= m_uState << 25;
        m_uState ^= m_uState >> 27;
        return (m_uState * 0x2545F4914F6CDD1DULL) >> 16;
    }

    UINT64 m_uState = 0x9E3779B97F4A7C15ULL;
};

// Collects output in memory and writes it in large pieces.
class CChunkWriter
{
public:
    explicit CChunkWriter(HANDLE hFile) : m_hFile(hFile) { m_buffer.reserve(c_cbWriteChunk + c_cbPathMax + 2); }

    bool Append(const char* pch, size_t cb)
    {
        m_buffer.insert(m_buffer.end(), pch, pch + cb);
        return m_buffer.size() < c_cbWriteChunk || Flush();
    }

    bool Flush()
    {
        DWORD cbWritten = 0;
        const bool bOk = m_buffer.empty() ||
                         (WriteFile(m_hFile, m_buffer.data(), static_cast<DWORD>(m_buffer.size()), &cbWritten,
                                    nullptr) &&
                          cbWritten == m_buffer.size());
        m_buffer.clear();
        return bOk;
    }

private:
    HANDLE m_hFile;
    std::vector<char> m_buffer;
};

HANDLE CreateListFile(const std::wstring& strPath)
{
    return CreateFileW(strPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

bool WriteInfList(const std::wstring& strPath, size_t cEntries, LIST_FILE_FACTS* pFacts)
{
    CHandle file(CreateListFile(strPath));
    if (!file.IsValid())
        return false;
    CChunkWriter writer(file.Get());
    LIST_FILE_FACTS facts = {};
    facts.cbFile = sizeof(c_szHeaderLine) - 1;
    if (!writer.Append(c_szHeaderLine, sizeof(c_szHeaderLine) - 1))
        return false;

    CPathGenerator generator;
    char szLine[c_cbPathMax + 3];
    for (size_t i = 0; i < cEntries; ++i) {
        const size_t cbPath = generator.Next(szLine);
        const int cchWide = MultiByteToWideChar(CP_ACP, 0, szLine, static_cast<int>(cbPath), nullptr, 0);
        facts.cbUtf16 += (static_cast<ULONGLONG>(cchWide) + 1) * sizeof(WCHAR);
        szLine[cbPath] = '\r';
        szLine[cbPath + 1] = '\n';
        if (!writer.Append(szLine, cbPath + 2))
            return false;
        facts.cbFile += cbPath + 2;
    }
    if (!writer.Flush())
        return false;
    facts.cEntries = cEntries;
    *pFacts = facts;
    return true;
}

bool WriteEmptyInfList(const std::wstring& strPath)
{
    CHandle file(CreateListFile(strPath));
    if (!file.IsValid())
        return false;
    DWORD cbWritten = 0;
    const DWORD cbHeader = sizeof(c_szHeaderLine) - 1;
    return WriteFile(file.Get(), c_szHeaderLine, cbHeader, &cbWritten, nullptr) && cbWritten == cbHeader;
}
