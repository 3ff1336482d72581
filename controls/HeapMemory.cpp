#include "controls/HeapMemory.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace HeapMemory {

void keepFreedBlocks() {
#if defined(__GLIBC__)
    // No block gets its own mapping (those go back to the system on free), and the heap's top is
    // not trimmed on every free; returnFreedMemory trims at chosen moments instead.
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, 1024 * 1024 * 1024);
#endif
}

void returnFreedMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

} // namespace HeapMemory
