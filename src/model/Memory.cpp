#include "model/Memory.h"

#include <cstdlib> // defines __GLIBC__ where it is glibc

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace platform {

void keepFreedMemory()
{
#ifdef __GLIBC__
    // Up to 64 MB stay at the top of the heap. Blocks too large for the heap (from 128 KB
    // on) still get mappings of their own: letting them into the heap as well left it
    // fragmented, and a window of 100 000 changes took a quarter more memory at its peak.
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
}

} // namespace platform
