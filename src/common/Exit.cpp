#include "common/Exit.h"

#include <cstdio>
#include <cstdlib>
#include <new>

namespace velmora {

namespace {

// Memory held back from the start and given up when an allocation fails, so
// that printing the message and closing the window still find some.
constexpr size_t OUT_OF_MEMORY_RESERVE = 1024 * 1024;

ExitHook exit_hook = nullptr;
void (*quick_exit_before)() = nullptr;
char* out_of_memory_reserve = nullptr; // freed by the first failed allocation

void outOfMemory() {
    delete[] out_of_memory_reserve;
    out_of_memory_reserve = nullptr;
    // A second failure on the way out must not come back here.
    std::set_new_handler(nullptr);
    std::fputs(" *** out of memory ***\n", stderr);
    exitProcess(-1);
}

} // namespace

void exitProcess(int status) {
    std::fflush(stdout);
    std::fflush(stderr);
    if (exit_hook) exit_hook(status);
    if (quick_exit_before) {
        quick_exit_before();
        std::fflush(nullptr);
        std::_Exit(status);
    }
    std::exit(status);
}

void setExitHook(ExitHook hook) {
    exit_hook = hook;
}

void setQuickExit(void (*before)()) {
    quick_exit_before = before;
}

void installOutOfMemoryHandler() {
    if (!out_of_memory_reserve)
        out_of_memory_reserve = new (std::nothrow) char[OUT_OF_MEMORY_RESERVE];
    std::set_new_handler(outOfMemory);
}

} // namespace velmora
