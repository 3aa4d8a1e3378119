// bench_idle.exe: the start-up yardstick. A GUI program that loads the same
// DLLs as tavelin.exe and returns at once.
#include <windows.h>

#include "ImportAnchors.h"

int WINAPI wWinMain(HINSTANCE /*hInstance*/, HINSTANCE /*hPrevInstance*/, LPWSTR /*pszCmdLine*/, int /*nShowCmd*/)
{
    KeepProductImports();
    return 0;
}
