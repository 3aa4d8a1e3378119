#pragma once

#include <windows.h>
#include <setupapi.h>

#include "platform/UniqueHandle.h"

struct CInfFileTraits
{
    static HINF Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HINF h) { SetupCloseInfFile(h); }
};
using CInfFile = CUniqueHandle<HINF, CInfFileTraits>;

// Opens a package INF with SetupAPI's own reader. 0, or the error code: the
// INF syntax codes (0xE0000xxx) for a file that is no INF. When given,
// puiErrorLine receives the line SetupAPI names for a syntax error (0 when
// it names none).
DWORD OpenPackageInf(LPCWSTR pszFullPath, CInfFile* pInf, UINT* puiErrorLine = nullptr);
