#pragma once

#include <windows.h>

// Text checks on device property data exactly as a property read returned it.
//
// The data comes from the registry and promises nothing: a REG_SZ may lack
// its terminator, a REG_MULTI_SZ its closing empty string or any terminator
// at all. No check reads a byte at or past cbData. A trailing odd byte is
// not part of any UTF-16 unit and is ignored. The data may sit at any
// address; it is read byte by byte.
//
// A string runs to its terminator or to the end of the data, whichever comes
// first: text that fills the data without a terminator counts as the text it
// holds, as it would once the missing terminator were added.

// True when the REG_SZ data is exactly pszText (whole string, case-sensitive).
bool RegSzEquals(const BYTE* pbData, DWORD cbData, LPCWSTR pszText);

// True when one string of the REG_MULTI_SZ list is exactly pszText. The list
// ends at its first empty string or at the end of the data.
bool MultiSzContains(const BYTE* pbData, DWORD cbData, LPCWSTR pszText);
