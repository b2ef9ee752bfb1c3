#include "model/Memory.h"

#include <cstdlib> // defines __GLIBC__ where it is glibc

#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

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

bool prepareMemory(void *start, std::size_t bytes)
{
#ifdef MADV_POPULATE_WRITE
    const auto page = std::uintptr_t(sysconf(_SC_PAGESIZE));
    // Only whole pages: the partial ones at either end may hold another block's bytes,
    // which this does not change either, but need not be asked for.
    const std::uintptr_t first = (std::uintptr_t(start) + page - 1) / page * page;
    const std::uintptr_t end = (std::uintptr_t(start) + bytes) / page * page;
    if (end <= first)
        return true;
    return madvise(reinterpret_cast<void *>(first), end - first, MADV_POPULATE_WRITE) == 0;
#else
    (void)start;
    (void)bytes;
    return false;
#endif
}

void prepareHeap(std::size_t bytes)
{
#ifdef __GLIBC__
    // Blocks well under the size that gets a mapping of its own come from the heap; freed,
    // they join its free space, where the next allocations find them.
    constexpr std::size_t block = 1 << 20;
    constexpr std::size_t most = 64 << 20; // what the heap keeps once freed
    std::vector<void *> blocks;
    for (std::size_t taken = 0; taken < bytes && taken < most; taken += block) {
        void *memory = std::malloc(block);
        if (!memory || !prepareMemory(memory, block)) {
            std::free(memory);
            break;
        }
        blocks.push_back(memory);
    }
    for (void *memory : blocks)
        std::free(memory);
#else
    (void)bytes;
#endif
}

} // namespace platform
