#include "platform/FinalPathCheck.h"

#include <cwchar>

#include "platform/FullPathName.h"
#include "platform/UniqueHandle.h"

namespace {

// The longest path a file can have ("\\?\" paths reach 32,767 units).
const DWORD c_cchPathMax = 32768;

// A block of c_cchPathMax units; null when memory ran out.
LPWSTR AllocPath(CHeapBlock* pBlock)
{
    pBlock->Reset(malloc(c_cchPathMax * sizeof(WCHAR)));
    return static_cast<LPWSTR>(pBlock->Get());
}

bool StartsWith(LPCWSTR psz, LPCWSTR pszPrefix)
{
    const size_t cch = wcslen(pszPrefix);
    return wcslen(psz) >= cch &&
           CompareStringOrdinal(psz, static_cast<int>(cch), pszPrefix, static_cast<int>(cch), TRUE) == CSTR_EQUAL;
}

// The end of the component that starts at psz (its backslash or terminator).
LPCWSTR ComponentEnd(LPCWSTR psz)
{
    while (*psz && *psz != L'\\')
        ++psz;
    return psz;
}

// The length of the root of a full path, without its closing backslash: "C:",
// "\\server\share", "\\?\C:", "\\?\UNC\server\share", "\\?\Volume{...}".
// 0 when the path has no root of these kinds.
size_t RootLength(LPCWSTR pszFull)
{
    LPCWSTR pszEnd = nullptr;
    if (StartsWith(pszFull, L"\\\\?\\UNC\\") || StartsWith(pszFull, L"\\\\.\\UNC\\")) {
        pszEnd = ComponentEnd(pszFull + 8);
        pszEnd = *pszEnd ? ComponentEnd(pszEnd + 1) : nullptr;
    } else if (StartsWith(pszFull, L"\\\\?\\") || StartsWith(pszFull, L"\\\\.\\")) {
        pszEnd = ComponentEnd(pszFull + 4);
    } else if (StartsWith(pszFull, L"\\\\")) {
        pszEnd = ComponentEnd(pszFull + 2);
        pszEnd = *pszEnd ? ComponentEnd(pszEnd + 1) : nullptr;
    } else if (pszFull[0] != L'\0' && pszFull[1] == L':') {
        pszEnd = pszFull + 2;
    }
    // The root must be followed by the rest of the path.
    return pszEnd && *pszEnd == L'\\' ? static_cast<size_t>(pszEnd - pszFull) : 0;
}

// The final path of hFile into pszFinal (c_cchPathMax units), without a
// closing backslash; its length, or 0.
size_t FinalPathOf(HANDLE hFile, LPWSTR pszFinal)
{
    const DWORD cch =
        GetFinalPathNameByHandleW(hFile, pszFinal, c_cchPathMax, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (cch == 0 || cch >= c_cchPathMax)
        return 0;
    size_t cchFinal = cch;
    if (pszFinal[cchFinal - 1] == L'\\')
        pszFinal[--cchFinal] = L'\0';
    return cchFinal;
}

// pszPath with its root replaced by the root's final path, into pszExpected
// (c_cchPathMax units); its length, or 0. pszPath is cut short meanwhile
// and mended.
size_t RootResolved(LPWSTR pszPath, LPWSTR pszExpected)
{
    const size_t cchRoot = RootLength(pszPath);
    if (cchRoot == 0)
        return 0;
    // The root is opened with its closing backslash ("C:\" is the volume's
    // root folder, "C:" the current folder on it), which the path has there.
    const WCHAR chAfter = pszPath[cchRoot + 1];
    pszPath[cchRoot + 1] = L'\0';
    CFileHandle root(CreateFileW(pszPath, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    pszPath[cchRoot + 1] = chAfter;
    const size_t cchRootFinal = root.IsValid() ? FinalPathOf(root.Get(), pszExpected) : 0;
    const size_t cchRest = wcslen(pszPath + cchRoot);
    if (cchRootFinal == 0 || cchRootFinal + cchRest >= c_cchPathMax)
        return 0;
    wmemcpy(pszExpected + cchRootFinal, pszPath + cchRoot, cchRest + 1);
    return cchRootFinal + cchRest;
}

} // namespace

bool IsFileAtGivenPath(HANDLE hFile, LPCWSTR pszPath)
{
    const CFullPathName full(pszPath);
    CHeapBlock longBlock;
    CHeapBlock expectedBlock;
    CHeapBlock finalBlock;
    LPWSTR pszLong = AllocPath(&longBlock);
    LPWSTR pszExpected = AllocPath(&expectedBlock);
    LPWSTR pszFinal = AllocPath(&finalBlock);
    if (!full.Get() || !pszLong || !pszExpected || !pszFinal)
        return false;
    // The file exists now, so every short name on the way can be made long;
    // this reads names only and follows no link.
    const DWORD cchLong = GetLongPathNameW(full.Get(), pszLong, c_cchPathMax);
    if (cchLong == 0 || cchLong >= c_cchPathMax) {
        if (full.Length() >= c_cchPathMax)
            return false;
        wmemcpy(pszLong, full.Get(), full.Length() + 1);
    }
    const size_t cchExpected = RootResolved(pszLong, pszExpected);
    const size_t cchFinal = FinalPathOf(hFile, pszFinal);
    return cchExpected != 0 && cchExpected == cchFinal &&
           CompareStringOrdinal(pszExpected, static_cast<int>(cchExpected), pszFinal, static_cast<int>(cchFinal),
                                TRUE) == CSTR_EQUAL;
}
