// UTF-8 scripts: the converter on a table of inputs, the reverse code table
// against the forward one, and the loader converting files with a byte-order
// mark or under --utf8 while reporting what it replaced.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "script/ScriptStream.h"
#include "script/Utf8Script.h"
#include "text/ShiftJis.h"

namespace velmora {
namespace {

using test::runTrappingExit;
using test::ScratchDir;

const std::string Q = SJIS_REPLACEMENT;
const std::string EMOJI = "\xF0\x9F\x98\x80"; // U+1F600

// What a problem says, as "line:U+XXXX" or "line:bytes hex".
std::string summary(const Utf8Problem& p) {
    std::string s = std::to_string(p.line) + ":";
    char hex[8];
    if (!p.invalid) {
        std::snprintf(hex, sizeof hex, "U+%04X", p.code_point);
        return s + hex;
    }
    for (uint8_t i = 0; i < p.byte_count; ++i) {
        std::snprintf(hex, sizeof hex, "%02X", p.bytes[i]);
        s += hex;
    }
    return s;
}

std::string repeated(const std::string& part, size_t times) {
    std::string s;
    for (size_t i = 0; i < times; ++i) s += part;
    return s;
}

Utf8Conversion convert(const std::string& text, std::string& out) {
    out.assign(sjisCapacityFor(text.size()), '\0');
    Utf8Conversion result = convertUtf8ToSjis(text.data(), text.size(), out.data());
    out.resize(result.length);
    return result;
}

struct Case {
    const char* what;
    std::string utf8;
    std::string sjis;
    std::vector<std::string> problems;
};

TEST(Utf8ScriptTest, ConvertsCharactersAndReportsTheRest) {
    const Case cases[] = {
        {"ASCII with the page wait", "mov %0,1 : \"a~b\"\\\n", "mov %0,1 : \"a~b\"\\\n", {}},
        {"hiragana and kanji", "\xE3\x81\x82\xE6\x97\xA5", "\x82\xA0\x93\xFA", {}},
        {"two-byte UTF-8 sign", "\xC3\x97\xC2\xB0", "\x81\x7E\x81\x8B", {}},
        {"half-width katakana", "\xEF\xBD\xA1\xEF\xBD\xB1\xEF\xBE\x9F", "\xA1\xB1\xDF", {}},
        {"yen sign is not the backslash", "\xC2\xA5\\", "\x81\x8F\\", {}},
        {"wave dashes", "\xE3\x80\x9C\xEF\xBD\x9E", "\x81\x60\x81\x60", {}},
        {"dash and box line", "\xE2\x80\x95\xE2\x94\x80", "\x81\x5C\x84\x9F", {}},
        {"no code beyond the BMP", "a" + EMOJI + "b", "a" + Q + "b", {"1:U+1F600"}},
        {"no code in the BMP", "\xE0\xB8\x81", Q, {"1:U+0E01"}},
        {"BOM only", UTF8_BOM, "", {}},
        {"BOM before text", std::string(UTF8_BOM) + "\xE3\x81\x82", "\x82\xA0", {}},
        {"BOM inside the text", "a" + std::string(UTF8_BOM), "a" + Q, {"1:U+FEFF"}},
        {"lone trail byte", "a\x80z", "a" + Q + "z", {"1:80"}},
        {"cut short before ASCII", "\xE3\x81z", Q + "z", {"1:E381"}},
        {"cut short at the end", "z\xF0\x9F\x98", "z" + Q, {"1:F09F98"}},
        {"overlong form", "\xC0\xAF", Q + Q, {"1:C0", "1:AF"}},
        {"surrogate", "\xED\xA0\x80", Q + Q + Q, {"1:ED", "1:A0", "1:80"}},
        {"past U+10FFFF", "\xF4\x90\x80\x80", repeated(Q, 4), {"1:F4", "1:90", "1:80", "1:80"}},
        {"lines end in LF, CR LF and CR",
         "x\r\n" + EMOJI + "\n\ry\xFF\r\n\n\xFE",
         "x\r\n" + Q + "\n\ry" + Q + "\r\n\n" + Q,
         {"2:U+1F600", "4:FF", "6:FE"}},
        {"BOM not counted as a line", std::string(UTF8_BOM) + "\xFF", Q, {"1:FF"}},
    };
    for (const Case& c : cases) {
        std::string out;
        const Utf8Conversion result = convert(c.utf8, out);
        EXPECT_EQ(out, c.sjis) << c.what;
        std::vector<std::string> problems;
        for (const Utf8Problem& p : result.problems) problems.push_back(summary(p));
        EXPECT_EQ(problems, c.problems) << c.what;
        EXPECT_EQ(result.unnoted, 0u) << c.what;
    }
}

TEST(Utf8ScriptTest, ReportsNameTheFileAndLineAndStopAfterEnough) {
    std::string out;
    Utf8Conversion result = convert("\n\n" + EMOJI + "\xC3", out);
    ASSERT_EQ(result.problems.size(), 2u);
    EXPECT_EQ(describeUtf8Problem("0.txt", result.problems[0]),
              "0.txt:3: U+1F600 has no Shift_JIS code; shown as \xEF\xBC\x9F");
    EXPECT_EQ(describeUtf8Problem("12.txt", result.problems[1]),
              "12.txt:3: invalid UTF-8 byte 0xC3; shown as \xEF\xBC\x9F");

    const size_t extra = 7;
    result = convert(std::string(MAX_NOTED_PROBLEMS + extra, '\xFF'), out);
    EXPECT_EQ(result.problems.size(), MAX_NOTED_PROBLEMS);
    EXPECT_EQ(result.unnoted, extra);
    EXPECT_EQ(out, repeated(Q, MAX_NOTED_PROBLEMS + extra));
}

// Every character the code table shows has a code that shows it again, and
// every code the reverse table gives shows its character, but for the few
// characters that take another table's code.
TEST(Utf8ScriptTest, ReverseTableAgreesWithTheCodeTable) {
    const auto& codes = sjisCodeTable();
    const std::vector<uint32_t> borrowed = {0x00A5, 0x2014, 0x2015, 0x2212, 0x301C,
                                            0xFFE0, 0xFFE1, 0xFFE2, 0xFFE3};
    size_t double_byte = 0;
    for (uint32_t code = 0x8140; code <= 0xFCFC; ++code) {
        const uint16_t ucs2 = sjisToUcs2(static_cast<uint16_t>(code));
        if (ucs2 == 0 || ucs2 == UCS2_NO_CHARACTER) continue;
        ASSERT_NE(codes[ucs2], SJIS_NO_CODE) << std::hex << code;
        EXPECT_EQ(sjisToUcs2(codes[ucs2]), ucs2) << std::hex << code;
    }
    for (uint32_t cp = 0; cp < BMP_SIZE; ++cp) {
        if (codes[cp] < 0x100) continue;
        ++double_byte;
        const bool is_borrowed = std::find(borrowed.begin(), borrowed.end(), cp) != borrowed.end();
        EXPECT_EQ(sjisToUcs2(codes[cp]) == cp, !is_borrowed) << std::hex << cp;
    }
    EXPECT_GT(double_byte, 10000u);
    EXPECT_EQ(codes['\\'], '\\');
    EXPECT_EQ(codes[0], SJIS_NO_CODE);
}

TEST(Utf8ScriptTest, LoaderConvertsMarkedFilesOrAllUnderTheOption) {
    ScratchDir dir;
    const std::string root = dir.path().string() + "/";
    dir.write("0.txt", std::string(UTF8_BOM) + "*start\r\n\xE3\x81\x82\\\r\n");
    dir.write("1.txt", "\x82\xA0\n"); // Shift_JIS already
    dir.write("2.txt",
              std::string(UTF8_BOM) + std::string(8, '\xFF') + "\n" + EMOJI); // outgrows its room
    dir.write("3.txt", "end");
    ScriptStream s;
    auto run = runTrappingExit([&] { EXPECT_EQ(s.loadScript(root), 0); });
    EXPECT_EQ(std::string(s.bufferStart(), s.scriptLength()),
              "*start\n\x82\xA0\\\n\n\x82\xA0\n\n" + repeated(Q, 8) + "\n" + Q + "\nend\n");
    EXPECT_EQ(test::countOf(run.stderr_text, "2.txt:1: invalid UTF-8 byte 0xFF;"), 8u)
        << run.stderr_text;
    EXPECT_EQ(test::countOf(run.stderr_text, "2.txt:2: U+1F600 has no Shift_JIS code;"), 1u);
    EXPECT_EQ(s.labelIndexOf("start"), 0);

    // Under the option the Shift_JIS file is read as UTF-8 and reported.
    s.utf8_scripts = true;
    run = runTrappingExit([&] { EXPECT_EQ(s.loadScript(root), 0); });
    EXPECT_EQ(test::countOf(run.stderr_text, "1.txt:1: invalid UTF-8 byte"), 2u) << run.stderr_text;
}

} // namespace
} // namespace velmora
