#include "model/Memory.h"

#include <cstdlib> // defines __GLIBC__ where it is glibc

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace platform {

void keepFreedMemory()
{
#ifdef __GLIBC__
    // Up to 64 MB stay at the top of the heap. Setting that stops glibc from raising the
    // size at which a block gets a mapping of its own as the program frees larger ones, so
    // that size is set too: left at 128 KB, the lines of a 5 MB diff were faulted in page
    // by page at each new diff. Blocks of the size of a whole list's text (from 4 MB on)
    // still get their own mappings: letting those into the heap as well left it
    // fragmented, and a window of 100 000 changes took a quarter more memory at its peak.
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
    mallopt(M_MMAP_THRESHOLD, 4 << 20);
#endif
}

} // namespace platform
