// Script files written in UTF-8: their conversion to the Shift_JIS the engine
// reads, with the characters that have no code and the invalid bytes noted by
// line so that the loader can report them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace velmora {

// The byte-order mark that marks a script file as UTF-8.
constexpr char UTF8_BOM[] = "\xEF\xBB\xBF";
constexpr size_t UTF8_BOM_LENGTH = sizeof UTF8_BOM - 1;
// The longest UTF-8 sequence, and so the most bytes one problem notes.
constexpr size_t UTF8_MAX_SEQUENCE = 4;
// What replaces a character without a code or a run of invalid bytes: the
// full-width question mark.
constexpr char SJIS_REPLACEMENT[] = "\x81\x48";
constexpr size_t SJIS_REPLACEMENT_LENGTH = sizeof SJIS_REPLACEMENT - 1;
// Problems noted one by one per file; the rest are only counted.
constexpr size_t MAX_NOTED_PROBLEMS = 100;

// One character or run of invalid bytes shown as the replacement.
struct Utf8Problem {
    int32_t line = 0;        // 1-based line of the file (LF, CR LF or a lone CR ends one)
    uint32_t code_point = 0; // the character without a code; unused for invalid bytes
    bool invalid = false;    // the bytes are no UTF-8 character
    uint8_t byte_count = 0;  // invalid bytes noted in `bytes`
    uint8_t bytes[UTF8_MAX_SEQUENCE] = {};
};

struct Utf8Conversion {
    size_t length = 0;                 // Shift_JIS bytes written
    std::vector<Utf8Problem> problems; // the first MAX_NOTED_PROBLEMS, in file order
    size_t unnoted = 0;                // problems beyond those
};

// True when `text` begins with the byte-order mark.
bool startsWithUtf8Bom(const char* text, size_t length);

// Most bytes the conversion of `length` bytes can write: an invalid byte
// becomes two.
inline size_t sjisCapacityFor(size_t length) {
    return length * SJIS_REPLACEMENT_LENGTH;
}

// Converts UTF-8 `text`, less a leading byte-order mark, to Shift_JIS in `out`
// (room for sjisCapacityFor(length) bytes; it may not overlap `text`). Line
// ends are copied as they are.
Utf8Conversion convertUtf8ToSjis(const char* text, size_t length, char* out);

// The report of one problem, without a line end, such as
// "0.txt:12: U+1F600 has no Shift_JIS code; shown as ？".
std::string describeUtf8Problem(const std::string& file_name, const Utf8Problem& problem);

} // namespace velmora
