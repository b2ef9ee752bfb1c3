#pragma once

#include <cstddef>

namespace platform {

// Has the allocator keep the memory the process frees for its next allocations, instead
// of handing it back to the system at once. A list of a hundred thousand changes takes
// tens of megabytes; handed back when the list is read again or replaced, it is handed
// over again page by page at the next load, which costs more than reading the list on a
// virtual machine. Called once, at the start of the process.
void keepFreedMemory();

// Has the system hand over the pages of [start, start + bytes) now, in one call, instead
// of one fault at the first write to each: on a virtual machine a fault costs tens of
// times more than a page handed over this way. What the memory holds does not change.
// False where the system cannot, and the pages come at their first write as before.
bool prepareMemory(void *start, std::size_t bytes);

// Has the next `bytes` of this thread's allocations come from memory the system has
// already handed over: for work that is about to make that many small blocks, such as
// the records of a list. The memory stays with the process once freed (keepFreedMemory),
// so only as much as will be used is asked for.
void prepareHeap(std::size_t bytes);

} // namespace platform
