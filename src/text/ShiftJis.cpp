#include "text/ShiftJis.h"
#include "common/ShiftJis.h"

#include <cstddef>

namespace velmora {

namespace {

constexpr uint16_t FIRST_CODE = 0x8140;
constexpr uint16_t LAST_CODE = 0xFCFC;

// Indexed by (code - FIRST_CODE); the values are generated, see the .inc header.
constexpr uint16_t SJIS_TABLE[LAST_CODE - FIRST_CODE + 1] = {
#include "text/SjisTable.inc"
};

constexpr uint8_t HALF_WIDTH_KATAKANA_FIRST = 0xA1;
constexpr uint8_t HALF_WIDTH_KATAKANA_LAST = 0xDF;
// U+FF61 (half-width ideographic full stop) is the character of byte 0xA1.
constexpr uint32_t HALF_WIDTH_KATAKANA_BASE = 0xFF61;

} // namespace

uint16_t sjisToUcs2(uint16_t code) {
    if (code < FIRST_CODE || code > LAST_CODE) return UCS2_NO_CHARACTER;
    return SJIS_TABLE[code - FIRST_CODE];
}

int ucs2ToUtf8(uint32_t code_point, char* out) {
    if (code_point < 0x80) {
        out[0] = static_cast<char>(code_point);
        return 1;
    }
    if (code_point < 0x800) {
        out[0] = static_cast<char>(0xC0 | (code_point >> 6));
        out[1] = static_cast<char>(0x80 | (code_point & 0x3F));
        return 2;
    }
    if (code_point <= 0xFFFF) {
        out[0] = static_cast<char>(0xE0 | (code_point >> 12));
        out[1] = static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (code_point & 0x3F));
        return 3;
    }
    return 0;
}

std::string sjisToUtf8(std::string_view text) {
    std::string result;
    result.reserve(text.size() * 3);
    char bytes[3];
    size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<uint8_t>(text[i]);
        if (isLeadByte(b)) {
            if (i + 1 >= text.size()) break;
            const auto trail = static_cast<uint8_t>(text[i + 1]);
            const uint16_t ucs2 = sjisToUcs2(static_cast<uint16_t>((b << 8) | trail));
            if (ucs2 != 0 && ucs2 != UCS2_NO_CHARACTER)
                result.append(bytes, ucs2ToUtf8(ucs2, bytes));
            i += 2;
            continue;
        }
        if (b < 0x80) {
            result.push_back(static_cast<char>(b));
        } else if (b >= HALF_WIDTH_KATAKANA_FIRST && b <= HALF_WIDTH_KATAKANA_LAST) {
            const uint32_t code_point = HALF_WIDTH_KATAKANA_BASE + (b - HALF_WIDTH_KATAKANA_FIRST);
            result.append(bytes, ucs2ToUtf8(code_point, bytes));
        }
        ++i;
    }
    return result;
}

} // namespace velmora
