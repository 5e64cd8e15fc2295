// The numbers of the system calls that `systemcall` and `rmenu` name.
#pragma once

#include <cstdint>

namespace velmora {

// The system calls: what a right click, the wheel, a menu entry or `systemcall` asks for.
constexpr int32_t SYSTEM_CALL_NONE = 0;
constexpr int32_t SYSTEM_CALL_SKIP = 1;
constexpr int32_t SYSTEM_CALL_RESET = 2;
constexpr int32_t SYSTEM_CALL_SAVE = 3;
constexpr int32_t SYSTEM_CALL_LOAD = 4;
constexpr int32_t SYSTEM_CALL_LOOKBACK = 5;
constexpr int32_t SYSTEM_CALL_WINDOWERASE = 6;
constexpr int32_t SYSTEM_CALL_RMENU = 7;
constexpr int32_t SYSTEM_CALL_AUTOMODE = 9;
constexpr int32_t SYSTEM_CALL_END = 10;
constexpr int32_t SYSTEM_CALL_UNKNOWN = -1;

// The number of the named system call, or -1 (with a message) for an unknown name.
int32_t systemCallNumber(const char* name);

} // namespace velmora
