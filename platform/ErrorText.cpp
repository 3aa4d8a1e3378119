#include "platform/ErrorText.h"

namespace {

const DWORD c_dwSetupApiMask = 0xFFFF0000;
const DWORD c_dwSetupApiCodes = 0xE0000000;

bool IsBlank(WCHAR ch)
{
    return ch == L' ' || ch == L'\t' || ch == L'\r' || ch == L'\n';
}

// Folds the text in place into one line.
void FoldToOneLine(LPWSTR pszText)
{
    size_t iOut = 0;
    bool bBlankPending = false;
    for (size_t iIn = 0; pszText[iIn] != L'\0'; ++iIn) {
        const WCHAR ch = pszText[iIn];
        if (IsBlank(ch) || ch < L' ') {
            bBlankPending = iOut > 0;
            continue;
        }
        if (bBlankPending)
            pszText[iOut++] = L' ';
        bBlankPending = false;
        pszText[iOut++] = ch;
    }
    pszText[iOut] = L'\0';
}

} // namespace

void FormatErrorText(DWORD dwCode, LPWSTR pszText, size_t cchText)
{
    if (!pszText || cchText == 0)
        return;
    pszText[0] = L'\0';
    const DWORD cchMax = cchText > 0xFFFF ? 0xFFFF : static_cast<DWORD>(cchText);
    DWORD cch = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, dwCode, 0,
                               pszText, cchMax, nullptr);
    if (cch == 0 && (dwCode & c_dwSetupApiMask) == c_dwSetupApiCodes) {
        // The program imports setupapi.dll, so it is loaded whenever this runs.
        HMODULE hSetupApi = GetModuleHandleW(L"setupapi.dll");
        if (hSetupApi)
            cch = FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS, hSetupApi, dwCode, 0,
                                 pszText, cchMax, nullptr);
    }
    if (cch == 0 || cch >= cchMax) {
        pszText[0] = L'\0';
        return;
    }
    pszText[cch] = L'\0';
    FoldToOneLine(pszText);
}
