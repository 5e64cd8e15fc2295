// Ending the process. Every fatal path of the engine ends here, so tests and
// the fuzzer can replace the real exit with a hook of their own.
#pragma once

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

} // namespace velmora
