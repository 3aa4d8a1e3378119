// The program allocates nothing with new. Its interfaces' deleting
// destructors still name operator delete, and the runtime's own definition
// lives beside a throwing operator new that brings the whole exception
// machinery into the exe. These two are all it can ever need.
#include <cstddef>
#include <cstdlib>

void operator delete(void* pv) noexcept
{
    free(pv);
}

void operator delete(void* pv, std::size_t) noexcept
{
    free(pv);
}
