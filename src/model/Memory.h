#pragma once

namespace platform {

// Has the allocator keep the memory the process frees for its next allocations, instead
// of handing it back to the system at once. A list of a hundred thousand changes takes
// tens of megabytes; handed back when the list is read again or replaced, it is handed
// over again page by page at the next load, which costs more than reading the list on a
// virtual machine. Called once, at the start of the process.
void keepFreedMemory();

} // namespace platform
