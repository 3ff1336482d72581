#include "controls/HeapMemory.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif
#if defined(Q_OS_LINUX)
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <system_error>

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

void bringIn(void* data, qsizetype bytes) {
#if defined(Q_OS_LINUX) && defined(MADV_POPULATE_WRITE)
    constexpr qsizetype kWorthIt = 4 * 1024 * 1024;
    constexpr std::uintptr_t kHugePage = 2 * 1024 * 1024;
    if (!data || bytes < kWorthIt)
        return;
    const auto page = std::uintptr_t(sysconf(_SC_PAGESIZE) > 0 ? sysconf(_SC_PAGESIZE) : 4096);
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const auto end = begin + std::uintptr_t(bytes);
    const auto hugeStart = (begin + kHugePage - 1) & ~(kHugePage - 1);
    const auto hugeEnd = end & ~(kHugePage - 1);
    if (hugeEnd > hugeStart)
        madvise(reinterpret_cast<void*>(hugeStart), hugeEnd - hugeStart, MADV_HUGEPAGE);
    // Only whole pages of the buffer: the ones at its ends may hold other memory in use, which
    // bringing in would not harm, but there is no need to.
    const auto pagesStart = (begin + page - 1) & ~(page - 1);
    const auto pagesEnd = end & ~(page - 1);
    if (pagesEnd > pagesStart)
        madvise(reinterpret_cast<void*>(pagesStart), pagesEnd - pagesStart, MADV_POPULATE_WRITE);
#else
    Q_UNUSED(data);
    Q_UNUSED(bytes);
#endif
}

LargeWork::LargeWork(qsizetype bytes) {
#if defined(__GLIBC__) && defined(Q_OS_LINUX) && defined(MADV_POPULATE_WRITE)
    // Below the trim threshold a freed block stays in the heap as its free top.
    constexpr qsizetype kMost = 512 * 1024 * 1024;
    constexpr std::uintptr_t kHugePage = 2 * 1024 * 1024;
    constexpr int kLowestPriority = 19;
    bytes = qMin(bytes, kMost);
    void* block = std::malloc(size_t(bytes));
    if (!block)
        return;
    const auto start = (reinterpret_cast<std::uintptr_t>(block) + kHugePage - 1) & ~(kHugePage - 1);
    const auto end =
        (reinterpret_cast<std::uintptr_t>(block) + std::uintptr_t(bytes)) & ~(kHugePage - 1);
    std::free(block);
    if (end <= start)
        return;
    // Large pages where the system gives them on request: one fault for 2 MB instead of 512.
    madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
    // Bringing pages in leaves their contents alone, so the work may already be using them; if the
    // heap has shrunk meanwhile, the call fails and nothing happens.
    const auto bringIn = [start, end](std::stop_token stop) {
        // Only a guess at what the work will need: it gives way to the work and to the threads
        // that work beside it, which have to finish (on two processors, three threads took turns
        // and the work itself came out slower). Nobody waits for it but for its current step
        // when the work ends, so the steps are short.
        setpriority(PRIO_PROCESS, 0, kLowestPriority); // this thread only
        constexpr std::uintptr_t kStep = kHugePage;
        for (std::uintptr_t at = start; at < end && !stop.stop_requested(); at += kStep)
            madvise(reinterpret_cast<void*>(at), std::min(kStep, end - at), MADV_POPULATE_WRITE);
    };
    try {
        m_bringingIn = std::jthread(bringIn);
    } catch (const std::system_error&) {
        // No thread to spare: the work brings its pages in itself, as it would anyway.
    }
#else
    Q_UNUSED(bytes);
#endif
}

LargeWork::~LargeWork() {
    m_bringingIn.request_stop();
}

} // namespace HeapMemory
