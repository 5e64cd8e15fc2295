// Shift_JIS text to Unicode and back: the code table, its reverse built from
// it, and the UTF-8 conversion used for the window caption.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {

// Value of a code the table has no character for.
constexpr uint16_t UCS2_NO_CHARACTER = 0xFFFF;

// The UCS-2 value of a double-byte code (lead byte in the high half): a BMP
// code point, 0 for a character that cannot be drawn as one BMP code point,
// or UCS2_NO_CHARACTER for a code without a character or outside 0x8140-0xFCFC.
uint16_t sjisToUcs2(uint16_t code);

// Writes a BMP code point to `out` (room for three bytes) as UTF-8 and returns
// the byte count, 1 to 3. Code points above U+FFFF write nothing and return 0.
int ucs2ToUtf8(uint32_t code_point, char* out);

// Number of BMP code points, the size of the reverse table.
constexpr size_t BMP_SIZE = 0x10000;
// Value of a code point the reverse table has no code for.
constexpr uint16_t SJIS_NO_CODE = 0;

// The Shift_JIS code of every BMP code point, built once from the code table:
// a one-byte code (ASCII, half-width katakana) below 0x100, a double-byte code
// (lead byte in the high half) above, or SJIS_NO_CODE. Where the table gives
// a character several codes the lowest wins, and a few characters that other
// Shift_JIS tables give to a code (the wave dash U+301C, the dash U+2015, the
// yen sign U+00A5 as the full-width yen, ...) take that code. U+0000 reads as
// SJIS_NO_CODE: the NUL byte is ASCII and needs no table.
const std::array<uint16_t, BMP_SIZE>& sjisCodeTable();

// Converts Shift_JIS text to UTF-8. Double-byte characters go through the code
// table; one that maps to no drawable character, or whose trail byte is
// missing, writes nothing. Half-width katakana 0xA1-0xDF become U+FF61-U+FF9F,
// ASCII is copied, and any other single byte writes nothing, so the result is
// always valid UTF-8.
std::string sjisToUtf8(std::string_view text);

} // namespace velmora
