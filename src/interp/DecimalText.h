// Reading a number out of script text the way the C library's atoi does,
// without its undefined behaviour on overflow.
#pragma once

#include <cstdint>

namespace velmora {

// The value of the decimal number at the start of `text` after white space and
// one optional sign; 0 when no digit follows. Values beyond int32 saturate.
int32_t leadingDecimal(const char* text);

} // namespace velmora
