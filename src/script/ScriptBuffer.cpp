// Allocation of the script buffer: small scripts on the heap, large ones in
// an anonymous mapping that asks for transparent huge pages.
#include "script/ScriptBuffer.h"

#include <sys/mman.h>

#include "common/Exit.h"

namespace velmora {

namespace {
// The size of a huge page on the processors we run on; blocks of at least
// this size are mapped, rounded up to whole huge pages so that the kernel
// can back all of the block with them.
constexpr size_t HUGE_PAGE_BYTES = size_t{2} << 20;
} // namespace

bool ScriptBuffer::allocate(size_t size) {
    release();
    if (size < HUGE_PAGE_BYTES) {
        // Default-initialised chars: nothing is written before the loader does.
        bytes = tryAllocate<char>(size).release();
        return bytes != nullptr;
    }
    const size_t length = (size + HUGE_PAGE_BYTES - 1) / HUGE_PAGE_BYTES * HUGE_PAGE_BYTES;
    if (length < size) return false; // the rounding wrapped around
    void* block = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) return false;
#if defined(MADV_HUGEPAGE)
    // Only advice: without huge pages the block works the same, in small pages.
    madvise(block, length, MADV_HUGEPAGE);
#endif
    bytes = static_cast<char*>(block);
    mapped = length;
    return true;
}

void ScriptBuffer::release() {
    if (mapped != 0)
        munmap(bytes, mapped);
    else
        delete[] bytes;
    bytes = nullptr;
    mapped = 0;
}

} // namespace velmora
