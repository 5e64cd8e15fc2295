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
constexpr uint16_t ASCII_END = 0x80;

// Characters whose code the table alone would not give: the codes other
// Shift_JIS tables read them from, where this table shows a stand-in (the
// dashes, wave dash, minus and macron), the full-width forms of the cent,
// pound and not signs, the yen sign as the full-width yen (the byte 0x5C is
// the backslash, the page-wait character), and the box-drawing line, which
// keeps its own code rather than the dash's.
struct PreferredCode {
    uint16_t code_point;
    uint16_t code;
};
constexpr PreferredCode PREFERRED_CODES[] = {
    {0x00A5, 0x818F}, {0x2014, 0x815C}, {0x2015, 0x815C}, {0x2212, 0x817C}, {0x2500, 0x849F},
    {0x301C, 0x8160}, {0xFFE0, 0x8191}, {0xFFE1, 0x8192}, {0xFFE2, 0x81CA}, {0xFFE3, 0x8150},
};

std::array<uint16_t, BMP_SIZE> buildCodeTable() {
    std::array<uint16_t, BMP_SIZE> codes{};
    for (uint16_t b = 1; b < ASCII_END; ++b) codes[b] = b;
    for (uint16_t b = HALF_WIDTH_KATAKANA_FIRST; b <= HALF_WIDTH_KATAKANA_LAST; ++b)
        codes[HALF_WIDTH_KATAKANA_BASE + (b - HALF_WIDTH_KATAKANA_FIRST)] = b;
    // Ascending codes, and a slot once filled is kept: the lowest code wins.
    for (uint32_t code = FIRST_CODE; code <= LAST_CODE; ++code) {
        const uint16_t ucs2 = SJIS_TABLE[code - FIRST_CODE];
        if (ucs2 == 0 || ucs2 == UCS2_NO_CHARACTER) continue;
        if (codes[ucs2] == SJIS_NO_CODE) codes[ucs2] = static_cast<uint16_t>(code);
    }
    for (const PreferredCode& p : PREFERRED_CODES) codes[p.code_point] = p.code;
    return codes;
}

} // namespace

uint16_t sjisToUcs2(uint16_t code) {
    if (code < FIRST_CODE || code > LAST_CODE) return UCS2_NO_CHARACTER;
    return SJIS_TABLE[code - FIRST_CODE];
}

const std::array<uint16_t, BMP_SIZE>& sjisCodeTable() {
    static const std::array<uint16_t, BMP_SIZE> codes = buildCodeTable();
    return codes;
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
