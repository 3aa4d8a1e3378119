// Stands in for a test program that hangs: one line of output, then a wait
// far longer than the check that runs it allows.
#include <windows.h>

#include <cstdio>

int main()
{
    printf("written before the hang\n");
    fflush(stdout);
    Sleep(120000);
    return 0;
}
