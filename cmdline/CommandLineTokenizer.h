#pragma once

#include <windows.h>

class CTavelinCommandLineInfo;

// Splits the command-line tail in place and feeds every non-empty token to
// g_commandLineInfo. A null tail parses nothing.
void ParseCommandLine(LPWSTR pszTail);

// The same, feeding the given settings record.
void ParseCommandLineInto(LPWSTR pszTail, CTavelinCommandLineInfo& info);
