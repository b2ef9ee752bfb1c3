#include "model/Memory.h"

#include <cstdlib> // defines __GLIBC__ where it is glibc

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace platform {

void keepFreedMemory()
{
#ifdef __GLIBC__
    // Up to 64 MB stay at the top of the heap, and blocks of up to 32 MB (the most glibc
    // allows; a decoded list of 100 000 changes is 20 MB) come from the heap rather than
    // from mappings of their own, which are handed back as soon as they are freed.
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
#endif
}

} // namespace platform
