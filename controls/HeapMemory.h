#pragma once
// How the process keeps and returns the memory it frees.
//
// Qt lays a line out again on every edit, taking and freeing tens of megabytes for a very long
// line. Freed to the system each time, that memory comes back page by page as fresh zeroed pages,
// which costs more than the layout itself; kept in the heap, it is reused at once.

#include <QtGlobal>

#include <thread>

namespace HeapMemory {
// From this many characters on, a page's work frees enough to be worth handing back.
constexpr qsizetype kLargeText = 1 << 20;

// Large freed blocks stay in the heap for the next request (call once, early).
void keepFreedBlocks();
// Hands the heap's free memory back to the system, after work that freed much of it (a large
// page opened, coloured or closed): what the pages hold stays, what the work needed for a moment
// goes.
void returnFreedMemory();

// Before a large buffer of ours is written all over (a file read into it, a text decoded into
// it): its pages come in at once, as large pages where the system gives them, instead of one
// fault at a time, which is most of what filling fresh memory costs. What the buffer already
// holds stays. Does nothing for small buffers or where the system cannot do it.
void bringIn(void* data, qsizetype bytes);

// For the length of a very large piece of work (opening a page of tens of megabytes): the heap
// grows by about `bytes` at once, and a second thread brings that memory in while this one works,
// so that the work does not stop at every new page of it. That thread runs at the lowest priority:
// it only guesses, and the work and its helpers come first.
class LargeWork {
public:
    explicit LargeWork(qsizetype bytes);
    ~LargeWork();
    LargeWork(const LargeWork&) = delete;
    LargeWork& operator=(const LargeWork&) = delete;

private:
    std::jthread m_bringingIn;
};
} // namespace HeapMemory
