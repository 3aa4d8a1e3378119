#pragma once

#include <windows.h>

#include "OwnedString.h"

// What the program is asked to do. opUsage doubles as the error latch of the
// command-line parser.
enum EOperation
{
    opNone = 0,
    opUsage = 1,
    opInstall = 2,
    opUninstall = 3,
    opPreinstall = 4,
    opFixConflict = 5,
    // Checks packages and changes nothing.
    opVerify = 6,
    // Removes the superseded staged versions of the packages.
    opClean = 7,
};

// Vendors that /f accepts.
enum EVendor
{
    vendorNone = 0,
    vendorRezuv = 1,
};

struct VENDOR_ENTRY
{
    INT nId;
    LPCWSTR pszName;
};

extern const VENDOR_ENTRY g_vendorTable[];
extern const size_t g_cVendorTable;

// The settings of one process, filled token by token from the command line.
// Nothing writes it once parsing has ended.
class CTavelinCommandLineInfo
{
public:
    // Which value the next token supplies.
    enum EExpect
    {
        expectOption = 0,
        expectInfList = 1,
        expectInfFile = 2,
        expectAuxValue = 3,
        expectVendor = 4,
        expectLogFile = 5,
    };

    CTavelinCommandLineInfo() = default;
    ~CTavelinCommandLineInfo() = default;

    CTavelinCommandLineInfo(const CTavelinCommandLineInfo&) = delete;
    CTavelinCommandLineInfo& operator=(const CTavelinCommandLineInfo&) = delete;

    // pszToken comes without its leading / or - when bFlag is true.
    virtual void ParseToken(LPCWSTR pszToken, bool bFlag, bool bLast);

    INT m_nOperation = opNone;
    CWideString m_strInfList;
    CWideString m_strInfFile;
    CWideString m_strAuxValue;
    INT m_nVendor = vendorNone;
    bool m_bQuiet = false;
    INT m_nExpect = expectOption;
    // /o: the file the run's log is appended to; empty when not given.
    CWideString m_strLogFile;
    // /e: the exit code reports the run's result.
    bool m_bExitCode = false;
    // The usage help is shown because of an error, not because /? asked for it.
    bool m_bUsageError = false;

private:
    void ParseOption(LPCWSTR pszToken, bool bFlag);
    void SetError();
    void ChooseOperation(INT nOperation);
    void SetVendor(LPCWSTR pszName);
};

extern CTavelinCommandLineInfo g_commandLineInfo;
