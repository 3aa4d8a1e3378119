#pragma once

#include <windows.h>

// The system's message text for a result code as one line (line breaks and
// runs of blanks become one blank, none at either end) in pszText (cchText
// units, terminated). SetupAPI's own codes (0xE000xxxx) are looked up in
// setupapi.dll's messages too. Empty when the system has no text for it.
void FormatErrorText(DWORD dwCode, LPWSTR pszText, size_t cchText);
