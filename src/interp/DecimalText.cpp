#include "interp/DecimalText.h"

namespace velmora {

int32_t leadingDecimal(const char* text) {
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;

    // The magnitude is kept one step past the int32 range, so the sign can be applied after.
    constexpr int64_t LIMIT = int64_t{INT32_MAX} + 1;
    int64_t magnitude = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        magnitude = magnitude * 10 + (*p - '0');
        if (magnitude > LIMIT) magnitude = LIMIT;
    }
    if (negative) return static_cast<int32_t>(-magnitude);
    return static_cast<int32_t>(magnitude > INT32_MAX ? INT32_MAX : magnitude);
}

} // namespace velmora
