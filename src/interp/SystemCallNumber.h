// The numbers of the system calls that `systemcall` and `rmenu` name.
#pragma once

#include <cstdint>

namespace velmora {

// The number of the named system call, or -1 (with a message) for an unknown name.
int32_t systemCallNumber(const char* name);

} // namespace velmora
