// Shift_JIS text to Unicode: the code table and the UTF-8 conversion used for
// the window caption.
#pragma once

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

// Converts Shift_JIS text to UTF-8. Double-byte characters go through the code
// table; one that maps to no drawable character, or whose trail byte is
// missing, writes nothing. Half-width katakana 0xA1-0xDF become U+FF61-U+FF9F,
// ASCII is copied, and any other single byte writes nothing, so the result is
// always valid UTF-8.
std::string sjisToUtf8(std::string_view text);

} // namespace velmora
