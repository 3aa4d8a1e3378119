#include "CommandLineTokenizer.h"

#include "CommandLineInfo.h"

namespace {

bool IsSeparator(WCHAR ch)
{
    return ch == L' ' || ch == L'\t';
}

// Cuts the token at pszCursor: terminates it in place and returns where it
// begins. *ppszNext is where the next cut begins, or null after the last token.
// No read goes past the tail's terminator.
LPWSTR CutToken(LPWSTR pszCursor, LPWSTR* ppszNext)
{
    if (*pszCursor == L'"') {
        LPWSTR pszToken = pszCursor + 1;
        LPWSTR p = pszToken;
        while (*p != L'\0' && *p != L'"')
            ++p;
        if (*p == L'\0') {
            // No closing quote (or the quote was the last character): the
            // token runs to the end and is the last one.
            *ppszNext = nullptr;
        } else {
            *p = L'\0';
            *ppszNext = p + 1;
        }
        return pszToken;
    }

    LPWSTR p = pszCursor;
    while (*p != L'\0' && !IsSeparator(*p))
        ++p;
    if (*p == L'\0') {
        *ppszNext = nullptr;
    } else {
        // Separators are not skipped between tokens: two in a row give an
        // empty token, which is dropped below.
        *p = L'\0';
        *ppszNext = p + 1;
    }
    return pszCursor;
}

} // namespace

void ParseCommandLineInto(LPWSTR pszTail, CTavelinCommandLineInfo& info)
{
    if (!pszTail)
        return;

    LPWSTR pszCursor = pszTail;
    while (IsSeparator(*pszCursor))
        ++pszCursor;

    while (pszCursor) {
        LPWSTR pszToken = CutToken(pszCursor, &pszCursor);
        if (pszToken[0] == L'\0')
            continue;

        // A lone / or - is an ordinary token, not an empty flag.
        const bool bFlag = (pszToken[0] == L'/' || pszToken[0] == L'-') && pszToken[1] != L'\0';
        info.ParseToken(bFlag ? pszToken + 1 : pszToken, bFlag, false);
    }
}

void ParseCommandLine(LPWSTR pszTail)
{
    ParseCommandLineInto(pszTail, g_commandLineInfo);
}
