#include <windows.h>

#include "cmdline/CommandLineInfo.h"
#include "cmdline/CommandLineTokenizer.h"

HINSTANCE g_hInstance = nullptr;

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE /*hPrevInstance*/, LPWSTR pszCmdLine, int /*nShowCmd*/)
{
    g_hInstance = hInstance;
    ParseCommandLine(pszCmdLine);
    // The exit code is 0 on every road.
    return 0;
}
