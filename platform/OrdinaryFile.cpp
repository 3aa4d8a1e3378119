#include "platform/OrdinaryFile.h"

FILE_QUERY_API g_fileQueryApi = { GetFileType, GetFileInformationByHandle };

bool IsOrdinaryDiskFile(HANDLE hFile)
{
    // Pipes, consoles and devices such as NUL are no place for lines.
    if (g_fileQueryApi.pfnGetFileType(hFile) != FILE_TYPE_DISK)
        return false;
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!g_fileQueryApi.pfnGetFileInformationByHandle(hFile, &info))
        return false;
    // Opened without following it, a link is itself a reparse point; a second
    // hard link means the same bytes have a name elsewhere.
    return (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 && info.nNumberOfLinks == 1;
}
