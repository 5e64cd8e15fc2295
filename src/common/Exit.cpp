#include "common/Exit.h"

#include <cstdio>
#include <cstdlib>

namespace velmora {

namespace {
ExitHook exit_hook = nullptr;
}

void exitProcess(int status) {
    std::fflush(stdout);
    std::fflush(stderr);
    if (exit_hook) exit_hook(status);
    std::exit(status);
}

void setExitHook(ExitHook hook) {
    exit_hook = hook;
}

} // namespace velmora
