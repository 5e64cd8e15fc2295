// Shift_JIS byte classes shared by every scanner of script text.
#pragma once

#include <cstdint>

namespace velmora {

// A byte in 0x80-0x9F or 0xE0-0xFF starts a two-byte character.
inline bool isLeadByte(uint8_t b) {
    return (b >= 0x80 && b <= 0x9F) || b >= 0xE0;
}
inline bool isLeadByte(char c) {
    return isLeadByte(static_cast<uint8_t>(c));
}

} // namespace velmora
