#include "text/WordWrap.h"

#include <algorithm>

#include "common/ShiftJis.h"

namespace velmora {

namespace {

constexpr size_t COLOUR_TAG_LENGTH = 7; // '#' and six hexadecimal digits

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The bytes a speed change or pause (!s, !sd, !w, !d and their digits) takes
// at `at`, or 0 when none starts there.
size_t speedTagLength(std::string_view text, size_t at) {
    if (at + 1 >= text.size() || text[at] != '!') return 0;
    const char kind = text[at + 1];
    if (kind != 's' && kind != 'w' && kind != 'd') return 0;
    size_t end = at + 2;
    if (kind == 's' && end < text.size() && text[end] == 'd') return 3;
    while (end < text.size() && isDigit(text[end])) ++end;
    return end - at;
}

} // namespace

int32_t wordCells(std::string_view text, WordSource source) {
    int32_t cells = 0;
    size_t at = 0;
    while (at < text.size()) {
        const char c = text[at];
        if (c == ' ' || c == '\n' || c == '\0' || c == KEPT_SPACE_MARK || isLeadByte(c)) break;
        if (source == WordSource::Recorded) {
            ++cells;
            ++at;
            continue;
        }
        const bool double_byte_line = source == WordSource::DoubleByteLine;
        if (c == '@' || c == '\\' || c == '/' || c == '_' || c == '>') {
            ++at;
        } else if (c == '<') {
            for (++at; at < text.size() && isDigit(text[at]);) ++at;
        } else if (double_byte_line && c == '#' && at + COLOUR_TAG_LENGTH <= text.size()) {
            at += COLOUR_TAG_LENGTH;
        } else if (const size_t tag = double_byte_line ? speedTagLength(text, at) : 0) {
            at += tag;
        } else {
            at += c == '`' && at + 1 < text.size() ? 2 : 1;
            ++cells;
        }
    }
    return cells;
}

void breakRowBeforeWord(FontState& font, int32_t cells, int32_t indent) {
    const int32_t d = font.direction();
    const int64_t row = int64_t{font.area_cells[d]} * 2;
    const bool fits_rest = int64_t{font.pen[d]} + cells <= row;
    const bool fits_row = int64_t{cells} + int64_t{indent} * 2 <= row;
    if (font.isLineStart() || fits_rest || !fits_row) return;
    font.breakLine();
    for (int32_t i = 0; i < indent; ++i) font.advance(2);
}

std::string withoutKeptSpaces(std::string_view page_text) {
    std::string text(page_text);
    text.erase(std::remove(text.begin(), text.end(), KEPT_SPACE_MARK), text.end());
    return text;
}

} // namespace velmora
