#pragma once

#include <windows.h>

// The code of the call that just failed, never 0: some calls fail without
// setting one, and a failure must not read as success.
inline DWORD LastErrorOrFailure()
{
    const DWORD dwError = GetLastError();
    return dwError != ERROR_SUCCESS ? dwError : ERROR_GEN_FAILURE;
}
