// The log file's line format and the message texts of its lines.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "platform/ErrorText.h"
#include "platform/LogFile.h"
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
