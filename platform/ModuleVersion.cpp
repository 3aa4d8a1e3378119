#include "platform/ModuleVersion.h"

#include <cstring>
#include <cwchar>

namespace {

const DWORD c_dwFixedSignature = 0xFEEF04BD;
// VS_VERSIONINFO: three WORDs, the key "VS_VERSION_INFO" with its terminator,
// padding to a DWORD boundary, then VS_FIXEDFILEINFO.
const size_t c_cbFixedOffset = (3 * sizeof(WORD) + 16 * sizeof(WCHAR) + 3) & ~static_cast<size_t>(3);

} // namespace

bool FormatModuleVersion(HMODULE hModule, LPWSTR pszVersion, size_t cchVersion)
{
    if (!pszVersion || cchVersion == 0)
        return false;
    pszVersion[0] = L'\0';
    // Read straight from the resource: version.dll would be one more import
    // for four numbers.
    HRSRC hInfo = FindResourceW(hModule, MAKEINTRESOURCEW(VS_VERSION_INFO), RT_VERSION);
    if (!hInfo)
        return false;
    const DWORD cbInfo = SizeofResource(hModule, hInfo);
    HGLOBAL hData = LoadResource(hModule, hInfo);
    const BYTE* pbInfo = hData ? static_cast<const BYTE*>(LockResource(hData)) : nullptr;
    if (!pbInfo || cbInfo < c_cbFixedOffset + sizeof(VS_FIXEDFILEINFO))
        return false;
    VS_FIXEDFILEINFO fixed;
    memcpy(&fixed, pbInfo + c_cbFixedOffset, sizeof(fixed));
    if (fixed.dwSignature != c_dwFixedSignature)
        return false;
    const int cch = _snwprintf(pszVersion, cchVersion, L"%u.%u.%u.%u", HIWORD(fixed.dwFileVersionMS),
                               LOWORD(fixed.dwFileVersionMS), HIWORD(fixed.dwFileVersionLS),
                               LOWORD(fixed.dwFileVersionLS));
    if (cch < 0 || static_cast<size_t>(cch) >= cchVersion) {
        pszVersion[0] = L'\0';
        return false;
    }
    return true;
}
