#include "CommandLineInfo.h"

#include <cwchar>

const VENDOR_ENTRY g_vendorTable[] = {
    { vendorRezuv, L"rezuv" },
};
const size_t g_cVendorTable = sizeof(g_vendorTable) / sizeof(g_vendorTable[0]);

void CTavelinCommandLineInfo::ParseToken(LPCWSTR pszToken, bool bFlag, bool /*bLast*/)
{
    // After an error nothing else on the command line has any effect.
    if (m_nOperation == opUsage)
        return;
    if (!pszToken)
        pszToken = L"";

    const INT nPending = m_nExpect;
    switch (nPending) {
    case expectOption:
        ParseOption(pszToken, bFlag);
        return;
    case expectInfList:
        m_strInfList.Assign(pszToken);
        break;
    case expectInfFile:
        m_strInfFile.Assign(pszToken);
        break;
    case expectAuxValue:
        m_strAuxValue.Assign(pszToken);
        break;
    case expectVendor:
        SetVendor(pszToken);
        break;
    case expectLogFile:
        m_strLogFile.Assign(pszToken);
        break;
    }
    // Every value option consumes exactly the one token that follows it.
    m_nExpect = expectOption;
}

void CTavelinCommandLineInfo::ParseOption(LPCWSTR pszToken, bool bFlag)
{
    if (!bFlag || pszToken[0] == L'\0' || pszToken[1] != L'\0') {
        SetError();
        return;
    }

    WCHAR ch = pszToken[0];
    if (ch >= L'A' && ch <= L'Z')
        ch = static_cast<WCHAR>(ch - L'A' + L'a');

    switch (ch) {
    case L'?': m_nOperation = opUsage; break;
    case L'a': m_nExpect = expectAuxValue; break;
    case L'c': ChooseOperation(opClean); break;
    case L'e': m_bExitCode = true; break;
    case L'f':
        // The vendor value is expected even when another option already
        // chose the operation.
        m_nExpect = expectVendor;
        ChooseOperation(opFixConflict);
        break;
    case L'i': ChooseOperation(opInstall); break;
    case L'l': m_nExpect = expectInfList; break;
    case L'o': m_nExpect = expectLogFile; break;
    case L'p': ChooseOperation(opPreinstall); break;
    case L'q': m_bQuiet = true; break;
    case L's': m_nExpect = expectInfFile; break;
    case L'u': ChooseOperation(opUninstall); break;
    case L'v': ChooseOperation(opVerify); break;
    default: SetError(); break;
    }
}

// The latch that ends parsing; /e then reports the error in the exit code.
void CTavelinCommandLineInfo::SetError()
{
    m_nOperation = opUsage;
    m_bUsageError = true;
}

// The first operation option wins; later ones are ignored without an error.
void CTavelinCommandLineInfo::ChooseOperation(INT nOperation)
{
    if (m_nOperation == opNone)
        m_nOperation = nOperation;
}

void CTavelinCommandLineInfo::SetVendor(LPCWSTR pszName)
{
    for (size_t i = 0; i < g_cVendorTable; ++i) {
        if (wcscmp(g_vendorTable[i].pszName, pszName) == 0) {
            m_nVendor = g_vendorTable[i].nId;
            return;
        }
    }
    SetError();
}
