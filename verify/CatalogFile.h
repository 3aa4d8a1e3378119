#pragma once

#include <windows.h>

#include "platform/UniqueHandle.h"

// The longest member tag read: the hex of a SHA-512 hash, with room to spare.
const size_t c_cchMaxMemberTag = 160;

// A catalog's members, read from the certificate trust list its signed
// message carries. Each entry's subject identifier is the member's tag (the
// upper-case hex of the member file's hash, as UTF-16 text).
class CCatalogMembers
{
public:
    // False when the file is no signed message whose content is a trust list.
    bool Read(LPCWSTR pszCatalog);

    // True when a member's tag is pszTag (either case).
    bool Lists(LPCWSTR pszTag) const;
    // True when a member's tag has cchTag characters (40 for SHA-1, 64 for
    // SHA-256): the hashes worth making for a file.
    bool HasTagsOfLength(size_t cchTag) const;

private:
    // The entry's tag in pszTag (c_cchMaxMemberTag + 1 units); false when its
    // identifier is no tag.
    bool Tag(DWORD iEntry, LPWSTR pszTag) const;

    CHeapBlock m_ctl;
};
