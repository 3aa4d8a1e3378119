// Every block this program frees is overwritten first (cmdline_tests is linked
// with --wrap=free), so that a read of freed memory sees garbage instead of
// the text that happened to stay there.
#include <malloc.h>

#include <cstring>

extern "C" void __real_free(void* p);

extern "C" void __wrap_free(void* p)
{
    if (p)
        memset(p, 0xDD, _msize(p));
    __real_free(p);
}
