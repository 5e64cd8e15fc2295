// UTF-8 to Shift_JIS for script files. ASCII runs are copied a word at a time;
// every other character is decoded and looked up in the reverse code table.
#include "script/Utf8Script.h"

#include <array>
#include <cstdio>
#include <cstring>

#include "text/ShiftJis.h"

namespace velmora {

namespace {

constexpr uint8_t ASCII_END = 0x80;
constexpr uint64_t HIGH_BITS = 0x8080808080808080ull;
constexpr uint8_t TRAIL_FIRST = 0x80;
constexpr uint8_t TRAIL_LAST = 0xBF;
constexpr uint8_t TRAIL_PAYLOAD = 0x3F;
constexpr int TRAIL_BITS = 6;
constexpr int BYTE_BITS = 8;
constexpr uint16_t ONE_BYTE_CODE_END = 0x100;

// What a lead byte starts: how many trail bytes follow, the payload bits it
// carries, and the range of the first trail byte (narrower after E0, ED, F0
// and F4, which rules out overlong forms, surrogates and values past U+10FFFF).
// No trail bytes marks a byte that starts no character.
struct LeadByte {
    uint8_t trail_count = 0;
    uint8_t payload = 0;
    uint8_t first_low = TRAIL_FIRST;
    uint8_t first_high = TRAIL_LAST;
};

constexpr std::array<LeadByte, 256> buildLeadBytes() {
    std::array<LeadByte, 256> leads{};
    for (int b = 0xC2; b <= 0xDF; ++b) leads[b] = {1, 0x1F, TRAIL_FIRST, TRAIL_LAST};
    for (int b = 0xE0; b <= 0xEF; ++b) leads[b] = {2, 0x0F, TRAIL_FIRST, TRAIL_LAST};
    for (int b = 0xF0; b <= 0xF4; ++b) leads[b] = {3, 0x07, TRAIL_FIRST, TRAIL_LAST};
    leads[0xE0].first_low = 0xA0;
    leads[0xED].first_high = 0x9F;
    leads[0xF0].first_low = 0x90;
    leads[0xF4].first_high = 0x8F;
    return leads;
}

constexpr std::array<LeadByte, 256> LEAD_BYTES = buildLeadBytes();

// A decoded sequence: a character, or the longest start of one that is valid
// (at least one byte) when `valid` is false.
struct Sequence {
    uint32_t code_point;
    size_t length;
    bool valid;
};

Sequence decodeSequence(const uint8_t* p, const uint8_t* end) {
    const LeadByte& lead = LEAD_BYTES[*p];
    if (lead.trail_count == 0) return {0, 1, false};
    uint32_t code_point = *p & lead.payload;
    uint8_t low = lead.first_low;
    uint8_t high = lead.first_high;
    for (size_t i = 1; i <= lead.trail_count; ++i) {
        if (p + i >= end || p[i] < low || p[i] > high) return {0, i, false};
        code_point = (code_point << TRAIL_BITS) | (p[i] & TRAIL_PAYLOAD);
        low = TRAIL_FIRST;
        high = TRAIL_LAST;
    }
    return {code_point, lead.trail_count + 1u, true};
}

// Line numbers of problem positions, counted on from the last one asked for,
// so the whole count reads each byte once.
class LineCounter {
  public:
    explicit LineCounter(const uint8_t* start) : counted_to(start) {}
    // The line of `pos`, which is no earlier than the last position asked
    // for and stands on a byte of the text (so pos[0] may be read).
    int32_t lineOf(const uint8_t* pos) {
        for (const uint8_t* q = counted_to; q < pos; ++q)
            line += *q == '\n' || (*q == '\r' && q[1] != '\n');
        counted_to = pos;
        return line;
    }

  private:
    const uint8_t* counted_to;
    int32_t line = 1;
};

void noteProblem(Utf8Conversion& result, LineCounter& lines, const uint8_t* at,
                 const Sequence& sequence) {
    if (result.problems.size() >= MAX_NOTED_PROBLEMS) {
        ++result.unnoted;
        return;
    }
    Utf8Problem problem;
    problem.line = lines.lineOf(at);
    problem.invalid = !sequence.valid;
    if (sequence.valid) {
        problem.code_point = sequence.code_point;
    } else {
        problem.byte_count = static_cast<uint8_t>(sequence.length);
        std::memcpy(problem.bytes, at, sequence.length);
    }
    result.problems.push_back(problem);
}

} // namespace

bool startsWithUtf8Bom(const char* text, size_t length) {
    return length >= UTF8_BOM_LENGTH && std::memcmp(text, UTF8_BOM, UTF8_BOM_LENGTH) == 0;
}

Utf8Conversion convertUtf8ToSjis(const char* text, size_t length, char* out) {
    Utf8Conversion result;
    const auto* p = reinterpret_cast<const uint8_t*>(text);
    const uint8_t* end = p + length;
    if (startsWithUtf8Bom(text, length)) p += UTF8_BOM_LENGTH;
    auto* o = reinterpret_cast<uint8_t*>(out);
    const std::array<uint16_t, BMP_SIZE>& codes = sjisCodeTable();
    LineCounter lines(p);
    while (p < end) {
        if (*p < ASCII_END) {
            uint64_t word;
            while (end - p >= static_cast<ptrdiff_t>(sizeof word)) {
                std::memcpy(&word, p, sizeof word);
                if (word & HIGH_BITS) break;
                std::memcpy(o, &word, sizeof word);
                p += sizeof word;
                o += sizeof word;
            }
            while (p < end && *p < ASCII_END) *o++ = *p++;
            continue;
        }
        const Sequence sequence = decodeSequence(p, end);
        const uint16_t code = sequence.valid && sequence.code_point < BMP_SIZE
                                  ? codes[sequence.code_point]
                                  : SJIS_NO_CODE;
        if (code >= ONE_BYTE_CODE_END) {
            *o++ = static_cast<uint8_t>(code >> BYTE_BITS);
            *o++ = static_cast<uint8_t>(code);
        } else if (code != SJIS_NO_CODE) {
            *o++ = static_cast<uint8_t>(code);
        } else {
            noteProblem(result, lines, p, sequence);
            std::memcpy(o, SJIS_REPLACEMENT, SJIS_REPLACEMENT_LENGTH);
            o += SJIS_REPLACEMENT_LENGTH;
        }
        p += sequence.length;
    }
    result.length = static_cast<size_t>(o - reinterpret_cast<uint8_t*>(out));
    return result;
}

std::string describeUtf8Problem(const std::string& file_name, const Utf8Problem& problem) {
    std::string text = file_name + ":" + std::to_string(problem.line) + ": ";
    char part[16];
    if (problem.invalid) {
        text += problem.byte_count == 1 ? "invalid UTF-8 byte" : "invalid UTF-8 bytes";
        for (uint8_t i = 0; i < problem.byte_count; ++i) {
            std::snprintf(part, sizeof part, " 0x%02X", problem.bytes[i]);
            text += part;
        }
    } else {
        std::snprintf(part, sizeof part, "U+%04X", problem.code_point);
        text += part;
        text += " has no Shift_JIS code";
    }
    // The replacement as the terminal shows it.
    return text + "; shown as \xEF\xBC\x9F";
}

} // namespace velmora
