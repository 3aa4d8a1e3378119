// The log file's line format and the message texts of its lines.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "platform/ErrorText.h"
#include "platform/LogFile.h"
#include "platform/OrdinaryFile.h"
#include "support/TestFiles.h"

namespace {

TEST(LogFile, LinesAreStampedUtf8WithCrLfAndReadableWhileOpen)
{
    CScratchDir dir;
    const std::wstring strPath = dir.File(L"run.log");
    ASSERT_TRUE(WriteFileBytes(strPath, "earlier\r\n"));
    CLogFile log;
    ASSERT_TRUE(log.Open(strPath.c_str()));
    LPCWSTR rgpsz[] = { L"a\r\nb\tc", nullptr, L" d\u00e9\u4e2d\U0001F600" };
    log.WriteLine(rgpsz, 3);
    log.WriteLine(rgpsz, 1);
    const std::string strStamp = "\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}[+-]\\d\\d:\\d\\d ";
    // Control characters become blanks, so one call stays one line.
    const std::string strBytes = ReadFileBytes(strPath);
    EXPECT_TRUE(std::regex_match(strBytes, std::regex("earlier\r\n" + strStamp + "a  b c d\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80\r\n" +
                                                      strStamp + "a  b c\r\n")))
        << strBytes;
}

// What the injected file-information calls answer for the file being opened.
struct FILE_LOOK
{
    const char* pszWhat;
    DWORD dwType;
    BOOL bInfo;
    DWORD dwAttributes;
    DWORD nLinks;
    bool bOpens;
};
const FILE_LOOK* g_pLook = nullptr;

// Wine has no reparse points: the open's checks see the answers of this
// table, as Windows would give them; the file itself is a real one.
TEST(LogFile, OpensOnlyAnOrdinaryDiskFileWithOneName)
{
    const FILE_LOOK rgLooks[] = {
        { "a symbolic link or junction", FILE_TYPE_DISK, TRUE, FILE_ATTRIBUTE_REPARSE_POINT, 1, false },
        { "a file with a second hard link", FILE_TYPE_DISK, TRUE, FILE_ATTRIBUTE_ARCHIVE, 2, false },
        { "a pipe", FILE_TYPE_PIPE, TRUE, FILE_ATTRIBUTE_NORMAL, 1, false },
        { "a device", FILE_TYPE_CHAR, TRUE, FILE_ATTRIBUTE_NORMAL, 1, false },
        { "a file that cannot be asked", FILE_TYPE_DISK, FALSE, FILE_ATTRIBUTE_NORMAL, 1, false },
        { "an ordinary file", FILE_TYPE_DISK, TRUE, FILE_ATTRIBUTE_ARCHIVE, 1, true },
    };
    const FILE_QUERY_API saved = g_fileQueryApi;
    // x64 has one calling convention, so plain lambdas stand in for WINAPI.
    g_fileQueryApi.pfnGetFileType = [](HANDLE) { return g_pLook->dwType; };
    g_fileQueryApi.pfnGetFileInformationByHandle = [](HANDLE, LPBY_HANDLE_FILE_INFORMATION pInfo) {
        *pInfo = {};
        pInfo->dwFileAttributes = g_pLook->dwAttributes;
        pInfo->nNumberOfLinks = g_pLook->nLinks;
        return g_pLook->bInfo;
    };
    CScratchDir dir;
    const std::wstring strPath = dir.File(L"run.log");
    for (const FILE_LOOK& look : rgLooks) {
        SCOPED_TRACE(look.pszWhat);
        g_pLook = &look;
        ASSERT_TRUE(WriteFileBytes(strPath, "before\r\n"));
        {
            CLogFile log;
            EXPECT_EQ(log.Open(strPath.c_str()), look.bOpens);
            LPCWSTR rgpsz[] = { L"line" };
            log.WriteLine(rgpsz, 1);
        }
        const std::string strBytes = ReadFileBytes(strPath);
        EXPECT_EQ(strBytes != "before\r\n", look.bOpens) << strBytes;
    }
    g_fileQueryApi = saved;
}

TEST(ErrorText, IsOneLineOfTheSystemsTextOrEmpty)
{
    WCHAR sz[512];
    FormatErrorText(ERROR_FILE_NOT_FOUND, sz, ARRAYSIZE(sz));
    const std::wstring str = sz;
    EXPECT_FALSE(str.empty());
    EXPECT_EQ(str.find_first_of(L"\r\n\t"), std::wstring::npos);
    EXPECT_NE(str.back(), L' ');
    FormatErrorText(0x1234ABCDu, sz, ARRAYSIZE(sz));
    EXPECT_STREQ(sz, L"");
    FormatErrorText(ERROR_FILE_NOT_FOUND, sz, 4);
    EXPECT_STREQ(sz, L"") << "a text that does not fit is left out";
}

} // namespace
