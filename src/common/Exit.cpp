#include "common/Exit.h"

#include <cstdio>
#include <cstdlib>

namespace velmora {

namespace {
ExitHook exit_hook = nullptr;
void (*quick_exit_before)() = nullptr;
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

} // namespace velmora
