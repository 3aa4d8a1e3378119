#pragma once

#include <windows.h>

#include <string>

// The system's message text for the codes the tests meet, as fixed texts:
// Wine's own where the tests run under Wine, Windows' otherwise. Written out
// here, never asked of the system: an expectation made with the product's
// own lookup would agree with whatever the product does.
inline bool RunsUnderWine()
{
    const HMODULE hNtdll = GetModuleHandleW(L"ntdll.dll");
    return hNtdll && GetProcAddress(hNtdll, "wine_get_version") != nullptr;
}

inline std::string SystemText(DWORD dwCode)
{
    static const struct
    {
        DWORD dwCode;
        const char* pszWine;
        const char* pszWindows;
    } c_texts[] = {
        { 0, "Success.", "The operation completed successfully." },
        { ERROR_FILE_NOT_FOUND, "File not found.", "The system cannot find the file specified." },
        { ERROR_ACCESS_DENIED, "Access denied.", "Access is denied." },
        { ERROR_NOT_ENOUGH_MEMORY, "Not enough memory.",
          "Not enough memory resources are available to process this command." },
        { ERROR_INVALID_DATA, "Invalid data.", "The data is invalid." },
        { ERROR_NO_MORE_ITEMS, "No more data available.", "No more data is available." },
        // Wine's setupapi.dll has no message table; Windows' texts for these
        // are not recorded here, as the suite runs under Wine.
        { 0xE0000302, "", nullptr },
        { 0xE000020B, "", nullptr },
        { 0xE0000301, "", nullptr },
    };
    for (const auto& text : c_texts) {
        if (text.dwCode == dwCode)
            return RunsUnderWine() ? text.pszWine : text.pszWindows ? text.pszWindows : "<not recorded>";
    }
    return "<no fixed text for this code>";
}

// " (<text>)" as a log line shows it, or nothing when there is no text.
inline std::string SystemTextInParentheses(DWORD dwCode)
{
    const std::string str = SystemText(dwCode);
    return str.empty() ? str : " (" + str + ")";
}
