// Ending the process. Every fatal path of the engine ends here, so tests and
// the fuzzer can replace the real exit with a hook of their own.
#pragma once

#include <cstddef>
#include <memory>
#include <new>

namespace velmora {

using ExitHook = void (*)(int status);

// Ends the process with `status` (after flushing the standard streams), or
// calls the installed hook, which must not return.
[[noreturn]] void exitProcess(int status);

// Installs a hook that replaces the process exit; null restores it.
void setExitHook(ExitHook hook);

// From now on the process ends by calling `before` and then ending at once,
// without running static destructors: threads of the media layer may still
// run and must not see the objects they use torn down.
void setQuickExit(void (*before)());

// From now on an allocation that fails prints " *** out of memory ***" on
// standard error and ends the process with status -1 through exitProcess,
// instead of throwing an exception that nothing catches.
void installOutOfMemoryHandler();

// An array of `count` default-initialised elements, or null when memory runs
// out: for the few places that report a failed allocation and go on. The
// out-of-memory handler is set aside meanwhile; the media layer's threads
// never allocate with new, so no other allocation can see it missing.
template <typename T> std::unique_ptr<T[]> tryAllocate(size_t count) {
    const std::new_handler handler = std::set_new_handler(nullptr);
    std::unique_ptr<T[]> block(new (std::nothrow) T[count]);
    std::set_new_handler(handler);
    return block;
}

} // namespace velmora
