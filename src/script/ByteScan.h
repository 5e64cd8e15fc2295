// Fast passes over script bytes, sixteen at a time where the processor allows:
// counting one byte value, and finding the next '*' while counting line feeds.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velmora {

// How many bytes in [p, end) equal `byte`.
size_t countByte(const char* p, const char* end, char byte);

// The next '*' at or after `p`, or `end`; `line` gains the line feeds passed
// over. One pass does both, so the label scan reads the script only once.
const char* nextStar(const char* p, const char* end, int32_t& line);

} // namespace velmora
