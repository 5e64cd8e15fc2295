// The Shift_JIS code table, UTF-8 encoding and the caption conversion, checked
// against characters looked up independently of the table.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "text/ShiftJis.h"

namespace velmora {
namespace {

std::string utf8Of(uint32_t code_point) {
    char bytes[3] = {};
    const int count = ucs2ToUtf8(code_point, bytes);
    return std::string(bytes, static_cast<size_t>(count));
}

TEST(SjisToUcs2, MapsKnownCharacters) {
    EXPECT_EQ(sjisToUcs2(0x8140), 0x3000); // ideographic space, first code of the table
    EXPECT_EQ(sjisToUcs2(0x82A0), 0x3042); // hiragana A
    EXPECT_EQ(sjisToUcs2(0x8341), 0x30A2); // katakana A
    EXPECT_EQ(sjisToUcs2(0x824F), 0xFF10); // full-width digit zero
    EXPECT_EQ(sjisToUcs2(0x889F), 0x4E9C); // first kanji of level 1
    EXPECT_EQ(sjisToUcs2(0x9FFC), 0x6ECC); // last code with lead 0x9F
    EXPECT_EQ(sjisToUcs2(0xE040), 0x6F3E); // first code with lead 0xE0
}

TEST(SjisToUcs2, AppliesTheOverrides) {
    EXPECT_EQ(sjisToUcs2(0x8150), 0x203E); // overline
    EXPECT_EQ(sjisToUcs2(0x815C), 0x2500); // box drawing horizontal
    EXPECT_EQ(sjisToUcs2(0x815F), 0xFF3C); // full-width reverse solidus
    EXPECT_EQ(sjisToUcs2(0x8160), 0xFF5E); // full-width tilde
    EXPECT_EQ(sjisToUcs2(0x817C), 0xFF0D); // full-width hyphen-minus
    EXPECT_EQ(sjisToUcs2(0x81B0), 0xFF5E); // full-width tilde
    EXPECT_EQ(sjisToUcs2(0xFC5A), 0x9B1D);
}

TEST(SjisToUcs2, CharactersBeyondOneBmpCodePointMapToZero) {
    // CJK UNIFIED IDEOGRAPH-20089, a plane-2 character of the second JIS plane.
    EXPECT_EQ(sjisToUcs2(0xF040), 0);
    // HIRAGANA LETTER KA followed by the combining semi-voiced sound mark.
    EXPECT_EQ(sjisToUcs2(0x82F5), 0);
    // LATIN SMALL LETTER AE followed by a combining grave accent.
    EXPECT_EQ(sjisToUcs2(0x8663), 0);
}

TEST(SjisToUcs2, CodesWithoutCharacterAreMarked) {
    EXPECT_EQ(sjisToUcs2(0x82FA), UCS2_NO_CHARACTER); // unassigned after the kana
    EXPECT_EQ(sjisToUcs2(0x817F), UCS2_NO_CHARACTER); // trail byte 0x7F
    EXPECT_EQ(sjisToUcs2(0x81FD), UCS2_NO_CHARACTER); // trail byte above 0xFC
    EXPECT_EQ(sjisToUcs2(0xA040), UCS2_NO_CHARACTER); // lead byte in the katakana range
    EXPECT_EQ(sjisToUcs2(0x813F), UCS2_NO_CHARACTER); // just below the table
    EXPECT_EQ(sjisToUcs2(0x8000), UCS2_NO_CHARACTER);
    EXPECT_EQ(sjisToUcs2(0xFCFD), UCS2_NO_CHARACTER); // just above the table
    EXPECT_EQ(sjisToUcs2(0xFFFF), UCS2_NO_CHARACTER);
    EXPECT_EQ(sjisToUcs2(0x0041), UCS2_NO_CHARACTER);
}

TEST(Ucs2ToUtf8, EncodesOneByte) {
    EXPECT_EQ(utf8Of(0x00), std::string(1, '\0'));
    EXPECT_EQ(utf8Of(0x41), "A");
    EXPECT_EQ(utf8Of(0x7F), "\x7F");
}

TEST(Ucs2ToUtf8, EncodesTwoBytes) {
    EXPECT_EQ(utf8Of(0x80), "\xC2\x80");
    EXPECT_EQ(utf8Of(0xE9), "\xC3\xA9"); // e with acute
    EXPECT_EQ(utf8Of(0x7FF), "\xDF\xBF");
}

TEST(Ucs2ToUtf8, EncodesThreeBytes) {
    EXPECT_EQ(utf8Of(0x800), "\xE0\xA0\x80");
    EXPECT_EQ(utf8Of(0x3042), "\xE3\x81\x82"); // hiragana A
    EXPECT_EQ(utf8Of(0xFF61), "\xEF\xBD\xA1");
    EXPECT_EQ(utf8Of(0xFFFF), "\xEF\xBF\xBF");
}

TEST(Ucs2ToUtf8, WritesNothingBeyondTheBmp) {
    char bytes[3] = {'x', 'y', 'z'};
    EXPECT_EQ(ucs2ToUtf8(0x10000, bytes), 0);
    EXPECT_EQ(std::string(bytes, 3), "xyz");
}

TEST(SjisToUtf8, CopiesAscii) {
    EXPECT_EQ(sjisToUtf8("Velmora 1.0 - demo"), "Velmora 1.0 - demo");
    EXPECT_EQ(sjisToUtf8(""), "");
}

TEST(SjisToUtf8, ConvertsDoubleByteCharacters) {
    // "あ亜" then the ideographic space.
    EXPECT_EQ(sjisToUtf8("\x82\xA0\x88\x9F\x81\x40"), "\xE3\x81\x82\xE4\xBA\x9C\xE3\x80\x80");
    // The overridden wave dash comes out as the full-width tilde.
    EXPECT_EQ(sjisToUtf8("\x81\x60"), "\xEF\xBD\x9E");
}

TEST(SjisToUtf8, EncodesHalfWidthKatakana) {
    EXPECT_EQ(sjisToUtf8("\xA1"), "\xEF\xBD\xA1"); // half-width ideographic full stop
    EXPECT_EQ(sjisToUtf8("\xB1"), "\xEF\xBD\xB1"); // half-width katakana A
    EXPECT_EQ(sjisToUtf8("\xDF"), "\xEF\xBE\x9F"); // half-width semi-voiced sound mark
}

TEST(SjisToUtf8, DropsSingleBytesWithoutCharacter) {
    EXPECT_EQ(sjisToUtf8("a\xA0"
                         "b"),
              "ab");
}

TEST(SjisToUtf8, DropsUnmappedAndUndrawableCodes) {
    // Unassigned code, plane-2 character, combining sequence, lead byte 0x80,
    // lead byte 0xFF: each takes its trail byte with it.
    EXPECT_EQ(sjisToUtf8("a\x82\xFA"
                         "b\xF0\x40"
                         "c\x82\xF5"
                         "d\x80\x41"
                         "e\xFF\x41"
                         "f"),
              "abcdef");
}

TEST(SjisToUtf8, DropsATruncatedLeadByteAtTheEnd) {
    EXPECT_EQ(sjisToUtf8("ab\x82"), "ab");
    EXPECT_EQ(sjisToUtf8("\xE0"), "");
}

TEST(SjisToUtf8, ConvertsMixedText) {
    // "Ch.1 " + "あ" + half-width "ｱ" + unassigned code + "!" + truncated lead byte.
    const std::string text = "Ch.1 \x82\xA0\xB1\x82\xFA!\x88";
    EXPECT_EQ(sjisToUtf8(text), "Ch.1 \xE3\x81\x82\xEF\xBD\xB1!");
}

TEST(SjisToUtf8, KeepsEmbeddedNulBytes) {
    const std::string text("a\0b", 3);
    EXPECT_EQ(sjisToUtf8(text), text);
}

} // namespace
} // namespace velmora
